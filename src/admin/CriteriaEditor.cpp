#include "admin/CriteriaEditor.h"

#include "admin/CriteriaChecks.h"
#include "platform/Calendar.h"

#include "frame/FileMessages.h"
#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "records/Criteria.h"
#include "records/ResultsFile.h"
#include "state/ProgramState.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

namespace karuvel {

namespace {

constexpr int kRowHeight = 18;
constexpr int kVisibleRows = 33;  // the grid is 33 rows high, the header row included
// Thirteen columns of 43 pixels and the scroll bar: the rest of the width is
// the distribution panel, whose two lists must show a bar of 19 stars whole.
const QRect kGridRect(12, 48, 578, kVisibleRows * kRowHeight + 2);
const QColor kChanged(255, 255, 0);
const QColor kFixed(0xd8, 0xd8, 0xd8);

template <typename W>
W* named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

QFont sized(QFont f, int pointSize, bool bold = false)
{
    f.setPointSize(pointSize);
    f.setBold(bold);
    return f;
}

QFont fixedFont(int pointSize)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setStyleHint(QFont::Monospace);
    f.setPointSize(pointSize);
    return f;
}

CriteriaKey criteriaKey(int key)
{
    switch (key) {
    case Qt::Key_Escape: return CriteriaKey::Escape;
    case Qt::Key_Up: return CriteriaKey::Up;
    case Qt::Key_Down: return CriteriaKey::Down;
    case Qt::Key_Left: return CriteriaKey::Left;
    case Qt::Key_Right: return CriteriaKey::Right;
    default: return CriteriaKey::Other;
    }
}

// A key that edits the text in the cell editor: a typed character, Backspace,
// or a shortcut such as Ctrl+V. Every other key has its own action cancelled.
bool editsText(const QKeyEvent* e)
{
    if (e->key() == Qt::Key_Backspace) return true;
    if (e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) {
        switch (e->key()) {
        case Qt::Key_V:
        case Qt::Key_C:
        case Qt::Key_X:
        case Qt::Key_Z:
        case Qt::Key_Y:
        case Qt::Key_A: return true;
        default: return false;
        }
    }
    const QString t = e->text();
    return !t.isEmpty() && t.at(0).isPrint();
}

} // namespace

FrmTimeData::FrmTimeData() : Screen(QStringLiteral("FrmTimeData"))
{
    QWidget* f = frame();
    setBackground(QColor(0xe8, 0xf0, 0xf8));

    Label1 = named(new QLabel(QStringLiteral("成績の基準となるデータを変更できます"), f), QStringLiteral("Label1"));
    Label1->setGeometry(16, 6, kGridRect.width() - 4, 36);
    Label1->setFont(sized(Label1->font(), 18, true));

    MSFlexGrid1 = named(new QTableWidget(f), QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setGeometry(kGridRect);
    MSFlexGrid1->setColumnCount(kCriteriaLastColumn);
    MSFlexGrid1->setFont(sized(MSFlexGrid1->font(), 10));
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    MSFlexGrid1->setFocusPolicy(Qt::NoFocus);
    MSFlexGrid1->setCornerButtonEnabled(false);
    MSFlexGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MSFlexGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (QHeaderView* h : {MSFlexGrid1->horizontalHeader(), MSFlexGrid1->verticalHeader()}) {
        h->setSectionResizeMode(QHeaderView::Fixed);
        h->setSectionsClickable(false);
        h->setHighlightSections(false);
        h->setFont(fixedFont(7));
        h->setStyleSheet(QStringLiteral("QHeaderView::section { background: %1; border: 1px solid #a0a0a0;"
                                        " padding: 0px; }")
                             .arg(kFixed.name()));
    }
    MSFlexGrid1->verticalHeader()->setFont(fixedFont(9));
    MSFlexGrid1->horizontalHeader()->setFixedHeight(kRowHeight);
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    MSFlexGrid1->verticalHeader()->setMinimumSectionSize(kRowHeight);
    MSFlexGrid1->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    {
        const QStringList header = criteriaGridHeader();
        MSFlexGrid1->setHorizontalHeaderLabels(header.mid(1));
    }
    connect(MSFlexGrid1, &QTableWidget::cellClicked, this, &FrmTimeData::cellClicked);
    // The cell editor follows its cell when the grid scrolls.
    connect(MSFlexGrid1->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { layEditor(); });

    // Row 0, column 0 of the grid.
    Label8 = named(new QLabel(criteriaGridHeader().at(0), MSFlexGrid1), QStringLiteral("Label8"));
    Label8->setAlignment(Qt::AlignCenter);
    Label8->setFont(fixedFont(7));
    Label8->setAutoFillBackground(true);
    Label8->setStyleSheet(QStringLiteral("background: %1; border: 1px solid #a0a0a0;").arg(kFixed.name()));

    // The cell editor lives in the grid's viewport: it scrolls with its cell and
    // is clipped like it, and keeps the keyboard while its cell is scrolled away.
    Gridinputtext = named(new QLineEdit(MSFlexGrid1->viewport()), QStringLiteral("Gridinputtext"));
    Gridinputtext->setFont(MSFlexGrid1->font());
    Gridinputtext->setFrame(false);
    Gridinputtext->setStyleSheet(QStringLiteral("QLineEdit { background: white; border: 2px solid #2050c0; }"));
    Gridinputtext->hide();
    Gridinputtext->installEventFilter(this);
    connect(Gridinputtext, &QLineEdit::textChanged, this, [this] { TextToGrid転送(); });

    const int belowGrid = kGridRect.bottom() + 6;
    Label3 = named(new QLabel(QStringLiteral("列の説明"), f), QStringLiteral("Label3"));
    Label3->setGeometry(16, belowGrid, 200, 20);
    Label3->setFont(sized(Label3->font(), 10, true));
    Label4 = named(new QLabel(f), QStringLiteral("Label4"));
    Label4->setGeometry(16, belowGrid + 20, kGridRect.width() - 4, 58);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4->setFont(sized(Label4->font(), 11));
    Label4->setFrameShape(QFrame::Panel);
    Label4->setFrameShadow(QFrame::Sunken);
    Label4->setAutoFillBackground(true);
    Label2 = named(new QLabel(QStringLiteral("スペース：セルクリア　　Shift + ↓：セルコピー"), f),
                   QStringLiteral("Label2"));
    Label2->setGeometry(16, belowGrid + 84, kGridRect.width(), 22);
    Label2->setFont(sized(Label2->font(), 11, true));

    // The distribution panel.
    const int panelLeft = kGridRect.right() + 12;
    const int panelWidth = kFrameWidth - panelLeft - 8;
    Picture1 = named(new QWidget(f), QStringLiteral("Picture1"));
    Picture1->setGeometry(panelLeft, 10, panelWidth, kGridRect.bottom() - 10 + 1);
    Label5 = named(new QLabel(QStringLiteral("現在までの成績度数分布"), Picture1), QStringLiteral("Label5"));
    Label5->setGeometry(0, 0, panelWidth, 30);
    Label5->setAlignment(Qt::AlignCenter);
    Label5->setFont(sized(Label5->font(), 14, true));
    const int listWidth = (panelWidth - 6) / 2;
    Label6 = named(new QLabel(QStringLiteral("全成績"), Picture1), QStringLiteral("Label6"));
    Label6->setGeometry(0, 38, listWidth, 20);
    Label6->setAlignment(Qt::AlignCenter);
    Label6->setFont(sized(Label6->font(), 11, true));
    Label7 = named(new QLabel(QStringLiteral("最高タイム"), Picture1), QStringLiteral("Label7"));
    Label7->setGeometry(listWidth + 6, 38, listWidth, 20);
    Label7->setAlignment(Qt::AlignCenter);
    Label7->setFont(sized(Label7->font(), 11, true));
    List1 = named(new QListWidget(Picture1), QStringLiteral("List1"));
    List2 = named(new QListWidget(Picture1), QStringLiteral("List2"));
    List1->setGeometry(0, 60, listWidth, Picture1->height() - 60);
    List2->setGeometry(listWidth + 6, 60, listWidth, Picture1->height() - 60);
    for (QListWidget* l : {List1, List2}) {
        // Narrowed glyphs: "1000～" and 19 stars (44 half widths) fit the list.
        QFont font = fixedFont(8);
        font.setPixelSize(10);
        font.setStretch(82);
        l->setFont(font);
        l->setFocusPolicy(Qt::NoFocus);
        l->setSelectionMode(QAbstractItemView::NoSelection);
    }

    auto button = [&](const QString& text, const QString& name, int x) {
        auto* b = named(new QPushButton(text, f), name);
        b->setGeometry(x, 688, 116, 56);
        b->setFont(sized(b->font(), 14, true));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    Command3 = button(QStringLiteral("更新記録"), QStringLiteral("Command3"), panelLeft + 4);
    Command2 = button(QStringLiteral("元に戻す"), QStringLiteral("Command2"), panelLeft + 4 + 124);
    Command4 = button(QStringLiteral("戻る"), QStringLiteral("Command4"), panelLeft + 4 + 248);
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    Command7 = named(new QPushButton(f), QStringLiteral("Command7"));
    Command7->hide();
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });

    SaveNote = named(new QLabel(f), QStringLiteral("SaveNote"));
    SaveNote->setGeometry(panelLeft + 4, kGridRect.bottom() + 6, panelWidth - 8, 34);
    SaveNote->setFont(sized(SaveNote->font(), 12, true));
    SaveNote->setStyleSheet(QStringLiteral("color: #205020;"));

    Picture2 = named(new QLabel(QStringLiteral("Just a moment,please."), f), QStringLiteral("Picture2"));
    Picture2->setGeometry(0, 0, kFrameWidth, kFrameHeight);
    Picture2->setAlignment(Qt::AlignCenter);
    Picture2->setFont(sized(Picture2->font(), 28, true));
    Picture2->setAutoFillBackground(true);
    Picture2->hide();

    setColumnWidths();
}

FrmTimeData::~FrmTimeData() = default;

void FrmTimeData::setColumnWidths()
{
    // Thirteen equal columns (the level column is the grid's row header), then
    // column 1 at 0.8 times column 2.
    const int inner = kGridRect.width() - 2 - MSFlexGrid1->verticalScrollBar()->sizeHint().width();
    const int w = inner / kCriteriaGridColumns;
    MSFlexGrid1->verticalHeader()->setFixedWidth(w);
    for (int c = 0; c < kCriteriaLastColumn; ++c) MSFlexGrid1->setColumnWidth(c, w);
    MSFlexGrid1->setColumnWidth(0, int(0.8 * w));
    Label8->setGeometry(1, 1, w, kRowHeight);
}

void FrmTimeData::activate()
{
    Picture2->hide();
    if (!source_) source_ = std::make_unique<DistributionSource>(resultsFilePath());
    Command2_Click();
    sheet_.setCurrent(1, 1);
    setColumnWidths();
    TextToCell移動();
    if (Gridinputtext->isVisible()) Gridinputtext->setFocus();
    GridToText転送();
    Command7_Click();
}

// ---------------------------------------------------------------------------
// Grid and cell editor

void FrmTimeData::paintCell(int row, int column)
{
    QTableWidgetItem* item = MSFlexGrid1->item(row - 1, column - 1);
    if (!item) {
        item = new QTableWidgetItem;
        MSFlexGrid1->setItem(row - 1, column - 1, item);
    }
    const QString& text = sheet_.grid.text(row, column);
    if (item->text() != text) item->setText(text);
    item->setBackground(sheet_.grid.isYellow(row, column) ? QBrush(kChanged) : QBrush());
}

void FrmTimeData::showGrid()
{
    const int levelRows = std::max(0, sheet_.grid.rowCount() - 1);
    MSFlexGrid1->setRowCount(levelRows);
    QStringList numbers;
    for (int r = 1; r <= levelRows; ++r) numbers.append(sheet_.grid.text(r, 0));
    MSFlexGrid1->setVerticalHeaderLabels(numbers);
    for (int r = 1; r <= levelRows; ++r)
        for (int c = 1; c <= kCriteriaLastColumn; ++c) paintCell(r, c);
    Label8->raise();
}

void FrmTimeData::TextToGrid転送()
{
    if (!sheet_.hasCurrentCell()) return;
    sheet_.textToGrid(Gridinputtext->text());
    paintCell(sheet_.row, sheet_.column);
    // What is typed is seen: a cell scrolled away comes back into view.
    MSFlexGrid1->scrollToItem(MSFlexGrid1->item(sheet_.row - 1, sheet_.column - 1));
}

void FrmTimeData::GridToText転送()
{
    if (!sheet_.hasCurrentCell()) return;
    const QString text = sheet_.currentText();
    if (Gridinputtext->text() != text) Gridinputtext->setText(text);
    Gridinputtext->setCursorPosition(std::min(10, int(text.size())));
}

void FrmTimeData::layEditor()
{
    QTableWidgetItem* item =
        sheet_.hasCurrentCell() ? MSFlexGrid1->item(sheet_.row - 1, sheet_.column - 1) : nullptr;
    if (!item) {
        Gridinputtext->hide();
        return;
    }
    Gridinputtext->setGeometry(MSFlexGrid1->visualItemRect(item));
    Gridinputtext->show();
    Gridinputtext->raise();
}

void FrmTimeData::TextToCell移動()
{
    if (!sheet_.hasCurrentCell()) {
        Gridinputtext->hide();
        Label4->clear();
        return;
    }
    MSFlexGrid1->scrollToItem(MSFlexGrid1->item(sheet_.row - 1, sheet_.column - 1));
    layEditor();
    Gridinputtext->setFocus();
    Gridinputtext->setCursorPosition(std::min(10, int(Gridinputtext->text().size())));
    Label4->setText(criteriaColumnHelp(sheet_.column));
    // The rows a Shift + Down copy has reached.
    MSFlexGrid1->clearSelection();
}

void FrmTimeData::cellClicked(int tableRow, int tableColumn)
{
    if (!sheet_.grid.hasCell(tableRow + 1, tableColumn + 1)) return;
    sheet_.setCurrent(tableRow + 1, tableColumn + 1);
    TextToCell移動();
    Command7_Click();
    GridToText転送();
}

bool FrmTimeData::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Gridinputtext && event->type() == QEvent::KeyPress)
        return editorKey(static_cast<QKeyEvent*>(event));
    if (watched == Gridinputtext && event->type() == QEvent::InputMethod) {
        // With the Japanese input on, the space bar gives a full-width space
        // through the input method: it clears the cell as the space key does.
        const auto* im = static_cast<QInputMethodEvent*>(event);
        const QString commit = im->commitString();
        if (!commit.isEmpty() && im->preeditString().isEmpty() &&
            commit.count(u'\u3000') + commit.count(u' ') == commit.size()) {
            GridToText転送();
            Gridinputtext->clear();
            return true;
        }
    }
    return Screen::eventFilter(watched, event);
}

// Returns true when the key's own action in the cell editor is cancelled.
bool FrmTimeData::editorKey(QKeyEvent* e)
{
    const CriteriaKey key = criteriaKey(e->key());
    if (key == CriteriaKey::Escape) return true;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const int lastCopied = sheet_.selectionEnd;
    if (sheet_.key(key, shift, Gridinputtext->text())) {
        GridToText転送();
        TextToCell移動();
    } else if (key == CriteriaKey::Down && shift) {
        for (int r = sheet_.row; r <= sheet_.selectionEnd; ++r) paintCell(r, sheet_.column);
        if (sheet_.selectionEnd != lastCopied) {
            MSFlexGrid1->setRangeSelected(QTableWidgetSelectionRange(sheet_.row - 1, sheet_.column - 1,
                                                                     sheet_.selectionEnd - 1, sheet_.column - 1),
                                          true);
            MSFlexGrid1->scrollToItem(MSFlexGrid1->item(sheet_.selectionEnd - 1, sheet_.column - 1));
        }
    }
    Command7_Click();
    GridToText転送();
    if (e->text() == QStringLiteral(" ")) {
        // Space clears the cell.
        Gridinputtext->clear();
        return true;
    }
    return !editsText(e);
}

// ---------------------------------------------------------------------------
// Load, save, back

void FrmTimeData::Command2_Click()
{
    const QString path = criteriaFilePath();
    const int row = sheet_.row;
    const int column = sheet_.column;
    const CriteriaGridLoad result = sheet_.load(path);
    loaded_ = result == CriteriaGridLoad::Ok;
    savedGrid_ = sheet_.grid;
    SaveNote->clear();
    MSFlexGrid1->setFixedHeight(kVisibleRows * kRowHeight + 2);
    showGrid();
    if (sheet_.grid.hasCell(row, column))
        sheet_.setCurrent(row, column);
    else
        sheet_.setCurrent(1, 1);
    if (isVisible()) {
        TextToCell移動();
        GridToText転送();
    }
    if (loaded_ && sheet_.grid.lastLevelRow > kMaxLevel) {
        // Shown and editable, but a save would leave a file the program cannot start with.
        messages().inform(QStringLiteral("注意"), tooManyLevels(path));
    }
    if (!loaded_) {
        const QString name = QFileInfo(path).fileName();
        const QString what = result == CriteriaGridLoad::Missing ? QStringLiteral("「%1」が見つかりません。")
                                                                 : QStringLiteral("「%1」を読むことができません。");
        messages().inform(QStringLiteral("エラー"), what.arg(name) + QStringLiteral("\r\n") +
                                                        QFileInfo(path).absoluteFilePath() +
                                                        QStringLiteral("\r\nレベルのデータを表示できません。"));
    }
}

// The program holds levels up to 35: a file with more lines cannot be loaded.
QString FrmTimeData::tooManyLevels(const QString& path)
{
    return QStringLiteral("「%1」のレベルの行が多すぎます（35行まで）。\r\n%2\r\n"
                          "このままではプログラムが読めないので、記録できません。"
                          "レベル35より後の行をファイルから消してください。")
        .arg(QFileInfo(path).fileName(), QFileInfo(path).absoluteFilePath());
}

bool FrmTimeData::Command3_Click()
{
    const QString path = criteriaFilePath();
    if (!loaded_) {
        // Writing now would replace a file that could not be read by an empty one.
        messages().inform(QStringLiteral("エラー"),
                          QStringLiteral("「%1」を読めなかったので、記録できません。\r\n%2")
                              .arg(QFileInfo(path).fileName(), QFileInfo(path).absoluteFilePath()));
        return false;
    }
    if (sheet_.grid.lastLevelRow > kMaxLevel) {
        messages().inform(QStringLiteral("注意"), tooManyLevels(path));
        return false;
    }
    QString message;
    // A value the program cannot judge by is refused before anything is
    // asked or written: the teacher mends the cell the message names.
    if (!criteriaGridValid(sheet_.grid, &message)) {
        messages().inform(QStringLiteral("注意"), message);
        return false;
    }
    const std::vector<CriteriaChange> changes = criteriaChanges(savedGrid_, sheet_.grid);
    if (!changes.empty()) {
        // Who would clear each changed level is worked out from the runs held,
        // brought up to date with the file first (only the runs appended
        // since they were read are read); nothing is read while the question waits.
        const bool runsRead = refreshResults().ok();
        const QString question = criteriaSaveQuestion(changes, savedGrid_, sheet_.grid, heldRecords(),
                                                      toOleDateTime(clock().now()), runsRead);
        if (!messages().confirm(QStringLiteral("更新記録"), question, ConfirmButtons::YesNo)) {
            SaveNote->setText(QStringLiteral("記録しませんでした。"));
            return false;
        }
    }
    Picture2->show();
    Picture2->raise();
    Picture2->repaint();
    const CriteriaSave result = saveCriteriaGrid(path, sheet_.grid, &message);
    if (result != CriteriaSave::Ok) {
        Picture2->hide();
        messages().inform(QStringLiteral("エラー"), message);
        return false;
    }
    sheet_.dataChanged = 0;
    Picture2->hide();
    // What is in the file now is what the next save is compared with.
    savedGrid_ = sheet_.grid;
    for (int r = 1; r < savedGrid_.rowCount(); ++r)
        for (int c = 1; c <= kCriteriaLastColumn; ++c) savedGrid_.rows[r][c] = halfWidthFigures(savedGrid_.rows[r][c]).trimmed();
    SaveNote->setText(changes.empty() ? QStringLiteral("記録しました（変更なし）。")
                                      : QStringLiteral("記録しました（%1か所）。").arg(changes.size()));
    repaint();
    LoadCriteria(path);
    return true;
}

void FrmTimeData::Command4_Click()
{
    if (sheet_.dataChanged == 1 &&
        messages().confirm(QStringLiteral("注意"), QStringLiteral("データが変更されています。記録しますか？"),
                           ConfirmButtons::YesNo)) {
        // A save that was refused or failed keeps the editor open with the changes.
        if (!Command3_Click()) return;
    }
    Picture2->show();
    Picture2->raise();
    Picture2->repaint();
    if (!screens::show(ScreenId::Dashboard)) screens::show(ScreenId::Interim);
    if (screens::find(ScreenId::CriteriaEditor) == this)
        screens::close(ScreenId::CriteriaEditor);
    else
        hide();
}

// ---------------------------------------------------------------------------
// Distribution

void FrmTimeData::setLines(QListWidget* list, const QStringList& lines)
{
    QStringList shown;
    shown.reserve(list->count());
    for (int i = 0; i < list->count(); ++i) shown.append(list->item(i)->text());
    if (shown == lines) return;
    const int v = list->verticalScrollBar()->value();
    list->clear();
    list->addItems(lines);
    list->verticalScrollBar()->setValue(v);
}

void FrmTimeData::Command7_Click()
{
    if (!source_) source_ = std::make_unique<DistributionSource>(resultsFilePath());
    QString problem;
    const DistributionSource::Result result = source_->refresh(&problem);
    if (result == DistributionSource::Result::Failed) {
        if (!readFailureShown_) {
            readFailureShown_ = true;
            messages().inform(QStringLiteral("エラー"), problem);
        }
        distributionLevel_ = sheet_.row;
        setLines(List1, {});
        setLines(List2, {});
        return;
    }
    readFailureShown_ = false;
    distributionLevel_ = sheet_.row;
    if (!sheet_.hasCurrentCell()) {
        setLines(List1, {});
        setLines(List2, {});
        return;
    }
    setLines(List1, allRunsLines(source_->tables(), distributionLevel_));
    setLines(List2, bestTimeLines(source_->tables(), distributionLevel_));
}

void registerCriteriaEditorScreen()
{
    screens::registerFactory(ScreenId::CriteriaEditor, [] { return new FrmTimeData; });
}

} // namespace karuvel
