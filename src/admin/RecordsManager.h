#pragma once
// The records manager (FrmData): every stored run of the results file in one
// list; a double-click opens the edit panel, where the teacher changes a
// run's time or pupil, or deletes the run so that later runs move up.
#include "admin/RecordFilterBar.h"
#include "admin/RecordLines.h"
#include "frame/Screen.h"

#include <QAbstractListModel>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QScrollBar;

namespace karuvel {

// The list's lines, shown by a view that asks only for the lines in sight.
class RecordListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void setLines(RecordLines lines);
    const RecordLines& lines() const { return lines_; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    RecordLines lines_;
};

class FrmData : public Screen {
    Q_OBJECT
public:
    FrmData();
    void activate() override;

    // Reads the roster: names, grade labels and the pupil chooser's entries.
    void 名簿読込();
    // Builds the list from the results file.
    void Command1_Click();
    void List1_Click();
    void List1_DblClick();
    void VScroll1_Change();
    void Combo1_Click();
    void Command2_Click();  // "変更して記録"
    void Command3_Click();  // "消去"
    void Command4_Click();  // "戻る"
    void Command5_Click();  // "キャンセル"
    // "この日の分をまとめて消去": every run of the shown run's pupil on the
    // shown run's day, in one step under the lock, after one question.
    void DeleteDay_Click();
    // The list again from the records read, for the filter chosen.
    void applyFilter();
    // "CSVに書き出し": every listed run, with names and grades, to a CSV file
    // in a folder the teacher chooses (UTF-8 with a byte-order mark, or code
    // page 932 when CsvCp932 is ticked).
    void CsvExport_Click();

    // The record the edit panel works on (0 = none).
    int SelectedRecord = 0;
    PupilBook book;

    QLabel* Label1;      // hint
    QLabel* Label2;      // count label
    QListView* List1;
    RecordListModel* model;
    QPushButton* Command4;
    QFrame* Frame1;      // the edit panel
    QLabel* Label3;      // record number
    QLabel* Label4;      // level
    QLabel* Label5;      // date of the run
    QLabel* Label6;      // grade label
    QLineEdit* Text1;    // time in seconds
    QLabel* Label7;      // "秒"
    QScrollBar* VScroll1;
    QComboBox* Combo1;   // pupil chooser
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command5;
    QPushButton* DeleteDay;  // "この日の分をまとめて消去"
    RecordFilterBar* Filters;  // pupil, level, days, time-overs, order; the count shown
    QLabel* Picture1;    // the blank cover while leaving
    QPushButton* CsvExport;  // "CSVに書き出し"
    QCheckBox* CsvCp932;     // write the CSV in code page 932 (older spreadsheet programs)

    // The selected line, or -1.
    int selectedLine() const;
    void selectLine(int line);

protected:
    // Enter on the list opens the edit panel of the line under the cursor;
    // Enter on a button presses it. The wheel on the time's spin control and
    // the up and down keys in the time box count like its arrows.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The whole records of the file and its length; false (and a message
    // naming the file) when it cannot be read.
    bool readFile(std::vector<char>* records, int64_t* length);
    // Changes the stored file under its lock when record SelectedRecord
    // still holds the bytes the panel shows. Returns true when done.
    bool changeRecord(const std::function<void(std::vector<ResultRecordData>&, size_t)>& change);
    // Deletes records `numbers` (ascending) under the lock when each still
    // holds the bytes `shown`; true when done.
    bool deleteRecords(const std::vector<int>& numbers, const std::vector<std::array<char, kRecordSize>>& shown);
    // Tells that the file changed since the list was read, and lists again.
    void staleRecords(int number);

    std::shared_ptr<const std::vector<char>> held_;  // the records read last
    std::vector<int> listed_;                        // their lines in the order chosen

    std::array<char, kRecordSize> shownBytes_{};
    bool rosterWarned_ = false;
};

// Lets the navigator make the records manager.
void registerRecordsManagerScreen();

} // namespace karuvel
