#pragma once
// The records manager's filter bar: which pupil, which level, which days and
// whether time-overs are shown, the order of the list, and how many lines
// the list shows. It only tells the manager what the teacher chose
// (RecordFilter, RecordOrder of RecordLines.h); the manager lists.
#include "admin/RecordLines.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace karuvel {

class RecordFilterBar : public QWidget {
    Q_OBJECT
public:
    explicit RecordFilterBar(QWidget* parent = nullptr);

    QComboBox* FilterPupil;     // "全員" or one pupil ("number /  name")
    QComboBox* FilterLevel;     // "全レベル" or one level
    QCheckBox* FilterPeriod;    // "期間": the two dates count
    QDateEdit* FilterFrom;      // first day
    QDateEdit* FilterTo;        // last day
    QComboBox* FilterTimeOver;  // "時間切れも表示", "時間切れだけ", "時間切れは除く"
    QComboBox* FilterOrder;     // "新しい順", "記録順"
    QPushButton* FilterClear;   // "条件を消す"
    QLabel* ShownCount;         // "表示 12,345件"

    // Fills the pupil chooser from the roster's entries and the level
    // chooser with 1..levels; the teacher's choice is kept where it still exists.
    void setChoices(const QStringList& chooserEntries, int levels);
    // The period from `from` to `to` days, chosen.
    void setPeriod(const QDate& from, const QDate& to);

    RecordFilter filter() const;
    RecordOrder order() const;
    // "表示 n件" (of total, when a filter holds some back).
    void setShown(int shown, int total);

signals:
    void filterChanged();
    void orderChanged();

private:
    bool filling_ = false;
};

} // namespace karuvel
