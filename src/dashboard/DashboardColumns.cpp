// The level columns of the dashboard: their controls, and where they stand.
#include "dashboard/Dashboard.h"
#include "dashboard/DashboardLayout.h"
#include "dashboard/LevelRules.h"

#include "state/ProgramState.h"

#include <QLabel>
#include <algorithm>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

namespace karuvel {

using namespace dashboardui;

void seisekitime1::buildColumn(int i)
{
    ProgramState& s = state();
    QWidget* a = columnArea_;
    auto* number = named(new QLabel(a), QStringLiteral("Label1"), i);
    number->setFont(sized(number->font(), 16, true));
    number->setAlignment(Qt::AlignCenter);
    auto* name = named(new QLabel(a), QStringLiteral("Label3"), i);
    name->setFont(sized(name->font(), 16, true));
    auto* start = named(new QPushButton(a), QStringLiteral("Command4"), i);
    start->setFont(sized(start->font(), 15, true));
    start->setToolTip(QStringLiteral("クリックしてスタートします。番号を押してもよろしい"));
    auto* notice = named(new QLabel(QStringLiteral("やりすぎ禁止"), a), QStringLiteral("Text1"), i);
    notice->setAlignment(Qt::AlignCenter);
    notice->setAutoFillBackground(true);
    {
        QPalette p = notice->palette();
        p.setColor(QPalette::Window, QColor(255, 240, 120));
        p.setColor(QPalette::WindowText, QColor(200, 0, 0));
        notice->setPalette(p);
    }
    notice->setFont(sized(notice->font(), 15, true));
    notice->setFrameShape(QFrame::Box);
    notice->hide();
    auto* practice = named(new QPushButton(QStringLiteral("練習"), a), QStringLiteral("Command28"), i);
    practice->setFont(sized(practice->font(), 12));
    practice->setToolTip(QStringLiteral("地図を見ながら練習します"));
    auto* today = named(new QLabel(QStringLiteral("今日"), a), QStringLiteral("Label9"), i);
    auto* ever = named(new QLabel(QStringLiteral("今まで"), a), QStringLiteral("Label10"), i);
    today->setAlignment(Qt::AlignCenter);
    ever->setAlignment(Qt::AlignCenter);
    auto* todayVal = named(new QLabel(a), QStringLiteral("Label14"), i);
    auto* everVal = named(new QLabel(a), QStringLiteral("Label15"), i);
    for (QLabel* l : {todayVal, everVal}) {
        l->setAlignment(Qt::AlignCenter);
        l->setFont(sized(l->font(), 12, true));
    }
    auto* recent = lineLabel(a, QStringLiteral("Label8"), i);
    auto* list = named(new QListWidget(a), QStringLiteral("List5"), i);
    list->setFont(listFont());
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setFocusPolicy(Qt::NoFocus);
    auto* criteria = lineLabel(a, QStringLiteral("Label7"), i);
    // The mark of a cleared level, in the green of the finish screen's "このレベルクリア".
    auto* cleared = named(new QLabel(QStringLiteral("クリア"), a), QStringLiteral("LabelClear"), i);
    cleared->setAlignment(Qt::AlignCenter);
    cleared->setFont(sized(cleared->font(), 11, true));
    cleared->setStyleSheet(QStringLiteral("QLabel { color: white; background: rgb(0, 150, 70); border-radius: 6px; }"));
    cleared->setToolTip(QStringLiteral("このレベルクリア"));
    cleared->hide();

    Label1.push_back(number);
    Label3.push_back(name);
    Command4.push_back(start);
    Command28.push_back(practice);
    Text1.push_back(notice);
    List5.push_back(list);
    Label7.push_back(criteria);
    Label8.push_back(recent);
    Label9.push_back(today);
    Label10.push_back(ever);
    Label14.push_back(todayVal);
    Label15.push_back(everVal);
    LabelClear.push_back(cleared);

    layoutColumn(i, px(geometry_.firstLeft));
    if (i == 0) {
        // The template stays hidden.
        for (QWidget* w : std::initializer_list<QWidget*>{number, name, start, notice, practice, today, ever, todayVal,
                                                          everVal, recent, list, criteria})
            w->hide();
        return;
    }
    number->setText(QString::number(i));
    name->setText(s.LevelNames[i]);
    name->setToolTip(s.LevelNames[i]);
    start->setText(startCaption(i));
    practice->setVisible(s.LevelHasPractice[i] == 1);
    criteria->setText(criteriaLine(s, i));
    recent->setText(recentLine(s, i, s.CurrentPupil));
    recent->setVisible(s.LevelTimed[i] == 1);
    todayVal->clear();
    everVal->clear();
    connect(start, &QPushButton::clicked, this, [this, i] { Command4_Click(i); });
    connect(practice, &QPushButton::clicked, this, [this, i] { Command28_Click(i); });
}

namespace {

// Where a control stands across its level column, whose width changes with
// the number of levels shown.
enum class Across {
    Whole,           // the column's width
    LeftHalf,        // its left half
    RightHalf,       // its right half
    Number,          // the level number at the left of the name row
    Name,            // the name, between the number and the clear mark
    ClearMark,       // "クリア" at the right of the name row
    PracticeButton,  // "練習" inside the start button's right end
    StartCaption,    // the start button's caption, short of a practice button
};

// One control of a level column: which control of the column, its top and
// height, and where it stands across the column.
struct ColumnCell {
    QWidget* (*control)(seisekitime1&, size_t);
    int top;
    int height;
    Across across;
};

template <auto Member>
QWidget* of(seisekitime1& d, size_t column)
{
    return (d.*Member)[column];
}

constexpr int kCriteriaHeight = 24;
constexpr int kListTop = 154;

const ColumnCell kColumnCells[] = {
    {of<&seisekitime1::Label1>, 0, 30, Across::Number},
    {of<&seisekitime1::Label3>, 0, 30, Across::Name},
    {of<&seisekitime1::LabelClear>, 3, 24, Across::ClearMark},
    {of<&seisekitime1::Command4>, 32, 46, Across::Whole},
    {of<&seisekitime1::Command28>, 37, 36, Across::PracticeButton},
    {of<&seisekitime1::Text1>, 32, 46, Across::StartCaption},
    {of<&seisekitime1::Label9>, 82, 20, Across::LeftHalf},
    {of<&seisekitime1::Label10>, 82, 20, Across::RightHalf},
    {of<&seisekitime1::Label14>, 102, 24, Across::LeftHalf},
    {of<&seisekitime1::Label15>, 102, 24, Across::RightHalf},
    {of<&seisekitime1::Label8>, 130, 22, Across::Whole},
    {of<&seisekitime1::List5>, kListTop, kColumnsHeight - kListTop - kCriteriaHeight - 2, Across::Whole},
    {of<&seisekitime1::Label7>, kColumnsHeight - kCriteriaHeight, kCriteriaHeight, Across::Whole},
};

} // namespace

void seisekitime1::layoutColumn(int i, int left)
{
    const int w = std::max(40, px(geometry_.width) - kGutter);
    const int half = w / 2;
    const int numberWidth = px(0.2 * geometry_.width);
    const bool practice = state().LevelHasPractice[std::min(i, kMaxLevel)] == 1 && i > 0;
    const size_t k = size_t(i);
    for (const ColumnCell& c : kColumnCells) {
        QWidget* widget = c.control(*this, k);
        int x = left, width = w;
        switch (c.across) {
        case Across::Whole: break;
        case Across::LeftHalf: width = half; break;
        case Across::RightHalf: x = left + half; width = w - half; break;
        case Across::Number: width = numberWidth; break;
        case Across::Name: x = left + numberWidth; width = w - numberWidth - kClearMarkWidth - 2; break;
        case Across::ClearMark: x = left + w - kClearMarkWidth; width = kClearMarkWidth; break;
        case Across::PracticeButton: x = left + w - kPracticeWidth - 3; width = kPracticeWidth; break;
        case Across::StartCaption: width = practice ? w - kPracticeWidth - 6 : w; break;
        }
        widget->setGeometry(x, c.top, width, c.height);
    }
}

void seisekitime1::setColumnDetailsVisible(int i, bool visible)
{
    const size_t k = size_t(i);
    for (QWidget* w : std::initializer_list<QWidget*>{List5[k], Label7[k], Label8[k], Label9[k], Label10[k], Label14[k],
                                                      Label15[k]})
        w->setVisible(visible);
    if (visible && state().LevelTimed[i] != 1) Label8[k]->hide();
}

void seisekitime1::frameWidthChanged(int width)
{
    if (!columnArea_) return;  // not built yet
    // The heading, the options and the panels keep their 1024-wide
    // arrangement, in the middle; the columns, their scroll bar, the busy
    // panel and the cover take the whole width.
    const int shift = (width - kFrameWidth) / 2;
    QWidget* const wide[] = {columnArea_, HScroll1, Picture6, Picture2};
    for (QObject* o : frame()->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || std::find(std::begin(wide), std::end(wide), w) != std::end(wide)) continue;
        w->move(w->x() + shift - frameShift_, w->y());
    }
    frameShift_ = shift;
    geometry_ = columnGeometryForWidth(columns_, width * 15.0);
    // The columns in view; the next one starts just beyond the area and is clipped.
    const int inView = px(geometry_.firstLeft + geometry_.inView * geometry_.width);
    columnArea_->setGeometry(0, kColumnsTop, geometry_.scrollBarShown ? std::min(width, inView - 1) : width,
                             kColumnsHeight);
    HScroll1->setGeometry(16, kScrollTop, width - 32, kScrollHeight);
    HScroll1->setRange(1, geometry_.scrollMax);
    HScroll1->setVisible(geometry_.scrollBarShown);
    Picture6->setGeometry(0, Picture6->y(), width, Picture6->height());
    for (QWidget* w : Picture6->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->move((width - w->width()) / 2, w->y());
    Picture2->setGeometry(0, 0, width, kFrameHeight);
    for (QWidget* w : Picture2->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->setGeometry(0, w->y(), width, w->height());
    for (int i = 0; i <= columns_; ++i) layoutColumn(i, px(columnLeft(geometry_, i, std::max(1, state().FirstVisibleLevel))));
    placeColumns();
}

} // namespace karuvel
