#pragma once
// FrmTimeData, the teacher's level criteria editor: the criteria file in a
// grid of 13 columns with a cell editor laid over the current cell, saving
// it back, and the distribution of the stored results of the level being
// edited.
#include "admin/CriteriaGrid.h"
#include "admin/Distribution.h"
#include "frame/Screen.h"

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace karuvel {

class FrmTimeData : public Screen {
    Q_OBJECT
public:
    FrmTimeData();
    ~FrmTimeData() override;
    // Load, current cell row 1 column 1, column widths, the cell editor over
    // it and a first distribution.
    void activate() override;

    QLabel* Label1;             // "成績の基準となるデータを変更できます"
    QLabel* Label2;             // key help
    QLabel* Label3;             // "列の説明"
    QLabel* Label4;             // the current column's help
    QTableWidget* MSFlexGrid1;  // the grid: its headers are row 0 and column 0
    QLabel* Label8;             // "レベル" over the grid's corner
    QLineEdit* Gridinputtext;   // the cell editor
    QPushButton* Command3;      // "更新記録"
    QPushButton* Command2;      // "元に戻す"
    QPushButton* Command4;      // "戻る"
    QPushButton* Command7;      // refresh of the distribution (not shown)
    QWidget* Picture1;          // distribution panel
    QLabel* Label5;             // "現在までの成績度数分布"
    QLabel* Label6;             // "全成績"
    QLabel* Label7;             // "最高タイム"
    QListWidget* List1;         // all runs
    QListWidget* List2;         // best times
    QLabel* SaveNote;           // what the last save did ("記録しました（2か所）。")
    QLabel* Picture2;           // wait panel "Just a moment,please."

    // Load ("元に戻す").
    void Command2_Click();
    // Save ("更新記録"); true when the file was written.
    bool Command3_Click();
    // Back ("戻る").
    void Command4_Click();
    // Refresh of the distribution.
    void Command7_Click();

    void TextToGrid転送();
    void GridToText転送();
    void TextToCell移動();

    const CriteriaSheet& sheet() const { return sheet_; }
    int LastLevelRow() const { return sheet_.grid.lastLevelRow; }
    int DataChanged() const { return sheet_.dataChanged; }
    int DistributionLevel() const { return distributionLevel_; }
    const DistributionSource* distribution() const { return source_.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString tooManyLevels(const QString& path);
    void showGrid();
    // Lays the cell editor over the current cell, in view or scrolled away.
    void layEditor();
    void paintCell(int row, int column);
    void setColumnWidths();
    void cellClicked(int tableRow, int tableColumn);
    bool editorKey(class QKeyEvent* e);
    static void setLines(QListWidget* list, const QStringList& lines);

    CriteriaSheet sheet_;
    CriteriaGrid savedGrid_;  // the grid as the file holds it (last load or save)
    bool loaded_ = false;  // the last load read the file
    std::unique_ptr<DistributionSource> source_;
    int distributionLevel_ = 0;
    bool readFailureShown_ = false;
};

// Registers FrmTimeData with the navigator as ScreenId::CriteriaEditor.
void registerCriteriaEditorScreen();

} // namespace karuvel
