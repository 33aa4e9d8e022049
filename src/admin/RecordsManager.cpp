#include "admin/RecordsManager.h"

#include "admin/RecordsBackup.h"
#include "admin/RecordsCsv.h"
#include "frame/SetAsideNotice.h"

#include "frame/Navigator.h"
#include "platform/Platform.h"
#include "platform/RecordFile.h"
#include "roster/Roster.h"
#include "state/ProgramState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace karuvel {

namespace {

constexpr int kBusyWaitMs = 1000;  // another PC is appending: wait, then try again
constexpr int kBusyTries = 10;

const QString kWarningTitle = QStringLiteral("注意");
const QString kErrorTitle = QStringLiteral("エラー");

template <typename T>
T* named(T* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

QFont sized(int pixelSize, bool bold = false)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// Gives every line the size of the widest one: the view takes one size for
// all lines (a school's file has 100k+ lines), and a line cut short could not
// be scrolled into view.
class WidestLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto* m = qobject_cast<const RecordListModel*>(index.model());
        const int widest = m ? m->lines().widest : -1;
        return QStyledItemDelegate::sizeHint(option, widest >= 0 ? m->index(widest) : index);
    }
};

QString shownPath(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

QString fileProblem(const QString& path, const QString& what, const RecordFile& f)
{
    QString text = QStringLiteral("「%1」%2").arg(QFileInfo(path).fileName(), what) + QStringLiteral("\r\n") +
                   shownPath(path) + QStringLiteral("\r\n") + fromUtf8(f.errorText());
    if (f.errorNumber() != 0) text += QStringLiteral("（エラー番号 %1）").arg(f.errorNumber());
    return text;
}

} // namespace

// ---------------------------------------------------------------------------
// The list's model.

void RecordListModel::setLines(RecordLines lines)
{
    beginResetModel();
    lines_ = std::move(lines);
    endResetModel();
}

int RecordListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : lines_.size(); }

QVariant RecordListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= lines_.size()) return QVariant();
    return lines_.text(index.row());
}

// ---------------------------------------------------------------------------
// The window.

FrmData::FrmData() : Screen(QStringLiteral("FrmData"))
{
    QWidget* f = frame();
    setBackground(QColor(0xE8, 0xEE, 0xF4));

    Label1 = named(new QLabel(QStringLiteral("ダブルクリックすると変更、消去できます"), f), QStringLiteral("Label1"));
    Label1->setGeometry(16, 18, 420, 28);
    Label1->setFont(sized(18, true));
    Label2 = named(new QLabel(f), QStringLiteral("Label2"));
    Label2->setGeometry(460, 18, 240, 28);
    Label2->setFont(sized(18));

    Command4 = named(new QPushButton(QStringLiteral("戻る"), f), QStringLiteral("Command4"));
    Command4->setGeometry(894, 6, 120, 50);
    Command4->setFont(sized(20, true));
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });

    Filters = new RecordFilterBar(f);
    Filters->setGeometry(16, 54, 700, 64);
    connect(Filters, &RecordFilterBar::filterChanged, this, [this] { applyFilter(); });
    connect(Filters, &RecordFilterBar::orderChanged, this, [this] {
        if (!held_) return;
        listed_ = listedRecords(held_->data(), int64_t(held_->size()) / kRecordSize, Filters->order());
        applyFilter();
    });

    model = new RecordListModel(this);
    List1 = named(new QListView(f), QStringLiteral("List1"));
    List1->setGeometry(16, 124, 700, 630);
    List1->setFont(sized(16));
    List1->setUniformItemSizes(true);
    List1->setItemDelegate(new WidestLineDelegate(List1));
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setModel(model);
    connect(List1, &QListView::clicked, this, [this] { List1_Click(); });
    connect(List1, &QListView::doubleClicked, this, [this] { List1_DblClick(); });
    connect(List1->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { List1_Click(); });

    // The edit panel.
    Frame1 = named(new QFrame(f), QStringLiteral("Frame1"));
    Frame1->setGeometry(732, 64, 280, 520);
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setAutoFillBackground(true);
    Frame1->setFont(sized(18));
    Label3 = named(new QLabel(Frame1), QStringLiteral("Label3"));
    Label3->setGeometry(12, 10, 256, 30);
    Label3->setFont(sized(20, true));
    Label4 = named(new QLabel(Frame1), QStringLiteral("Label4"));
    Label4->setGeometry(12, 46, 120, 28);
    Label5 = named(new QLabel(Frame1), QStringLiteral("Label5"));
    Label5->setGeometry(12, 80, 256, 28);
    Label6 = named(new QLabel(Frame1), QStringLiteral("Label6"));
    Label6->setGeometry(140, 46, 128, 28);
    Text1 = named(new QLineEdit(Frame1), QStringLiteral("Text1"));
    Text1->setGeometry(12, 120, 120, 36);
    Text1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label7 = named(new QLabel(QStringLiteral("秒"), Frame1), QStringLiteral("Label7"));
    Label7->setGeometry(138, 124, 30, 28);
    VScroll1 = named(new QScrollBar(Qt::Vertical, Frame1), QStringLiteral("VScroll1"));
    VScroll1->setGeometry(172, 114, 22, 48);
    VScroll1->setRange(0, kNoTime);
    VScroll1->setSingleStep(1);
    VScroll1->setPageStep(1);
    // A spin control: the upper arrow (and the up key or wheel) adds a
    // second, the lower one takes one away.
    connect(VScroll1, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderSingleStepSub || action == QAbstractSlider::SliderPageStepSub)
            VScroll1->setSliderPosition(std::min(VScroll1->value() + 1, VScroll1->maximum()));
        else if (action == QAbstractSlider::SliderSingleStepAdd || action == QAbstractSlider::SliderPageStepAdd)
            VScroll1->setSliderPosition(std::max(VScroll1->value() - 1, VScroll1->minimum()));
    });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
    // Larger times higher up, so that dragging the handle goes the arrows' way.
    VScroll1->setInvertedAppearance(true);
    VScroll1->installEventFilter(this);
    // The arrows count on from the time the teacher typed.
    connect(Text1, &QLineEdit::textEdited, this, [this](const QString& text) {
        int32_t seconds = 0;
        if (!timeFromBox(text, &seconds)) return;
        const QSignalBlocker quiet(VScroll1);
        VScroll1->setValue(seconds);
    });
    Combo1 = named(new QComboBox(Frame1), QStringLiteral("Combo1"));
    Combo1->setGeometry(12, 176, 256, 36);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setMaxVisibleItems(20);
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    Command2 = named(new QPushButton(QStringLiteral("変更して記録"), Frame1), QStringLiteral("Command2"));
    Command2->setGeometry(12, 236, 256, 44);
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    Command3 = named(new QPushButton(QStringLiteral("消去"), Frame1), QStringLiteral("Command3"));
    Command3->setGeometry(12, 296, 256, 44);
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    DeleteDay = named(new QPushButton(QStringLiteral("この日の分をまとめて消去"), Frame1), QStringLiteral("DeleteDay"));
    DeleteDay->setGeometry(12, 356, 256, 44);
    DeleteDay->setFont(sized(16));
    DeleteDay->setToolTip(QStringLiteral("この生徒のこの日の記録を、全部まとめて消去します"));
    connect(DeleteDay, &QPushButton::clicked, this, [this] { DeleteDay_Click(); });
    Command5 = named(new QPushButton(QStringLiteral("キャンセル"), Frame1), QStringLiteral("Command5"));
    Command5->setGeometry(12, 456, 256, 44);
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    Frame1->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{List1, Text1, Command2, Command3, Command4, Command5, DeleteDay})
        w->installEventFilter(this);

    // The CSV for a spreadsheet, under the edit panel's place.
    CsvCp932 = named(new QCheckBox(QStringLiteral("Shift_JIS（古い表計算ソフト用）"), f), QStringLiteral("CsvCp932"));
    CsvCp932->setGeometry(736, 652, 276, 30);
    CsvCp932->setFont(sized(12));
    CsvCp932->setToolTip(QStringLiteral("ふつうは付けません。文字化けする古い表計算ソフトのときだけ付けます"));
    CsvExport = named(new QPushButton(QStringLiteral("CSVに書き出し"), f), QStringLiteral("CsvExport"));
    CsvExport->setGeometry(732, 686, 280, 56);
    CsvExport->setFont(sized(18, true));
    CsvExport->setToolTip(QStringLiteral("全部の記録を、名前と学年をつけて表計算ソフト用のCSVファイルに書き出します"));
    connect(CsvExport, &QPushButton::clicked, this, [this] { CsvExport_Click(); });

    // A copy of the results file that is whole even while others use it.
    Backup = named(new QPushButton(QStringLiteral("バックアップ"), f), QStringLiteral("Backup"));
    Backup->setGeometry(732, 592, 280, 52);
    Backup->setFont(sized(18, true));
    Backup->setToolTip(QStringLiteral("成績ファイルの写しを、日付と時刻の名前で、選んだフォルダーに保存します"));
    connect(Backup, &QPushButton::clicked, this, [this] { Backup_Click(); });

    Picture1 = named(new QLabel(f), QStringLiteral("Picture1"));
    Picture1->setAutoFillBackground(true);
    Picture1->setGeometry(0, 0, kFrameWidth, kFrameHeight);
    Picture1->hide();
}

void FrmData::CsvExport_Click()
{
    const ProgramState& s = state();
    // The chooser opens where this PC's last CSV of the records went.
    const QString folder = chooseSaveFolder(QStringLiteral("CSVファイルを保存するフォルダーを選んで下さい"),
                                            QStringLiteral("RecordsCsv"));
    if (folder.isEmpty()) return;  // cancelled
    const QString target = QDir(folder).filePath(recordsCsvFileName(s.SchoolName, clock().today()));
    if (QFileInfo::exists(target) &&
        !messages().confirm(kWarningTitle,
                            QStringLiteral("「%1」はもうあります。\r\n%2\r\n上書きしますか？")
                                .arg(QFileInfo(target).fileName(), QDir::toNativeSeparators(target)),
                            ConfirmButtons::YesNo))
        return;
    // The file is read (and its lock let go) before anything is written or shown.
    std::vector<char> records;
    int64_t length = 0;
    if (!readFile(&records, &length)) return;
    const QString text = recordsCsvText(records.data(), int64_t(records.size()) / kRecordSize, book, s);
    bool lossy = false;
    const QByteArray bytes =
        encodeCsv(text, CsvCp932->isChecked() ? CsvEncoding::Cp932 : CsvEncoding::Utf8WithBom, &lossy);
    const QString& path = target;
    QString problem;
    if (!writeCsvFile(path, bytes, &problem)) {
        messages().inform(kErrorTitle, problem);
        return;
    }
    QString done = QStringLiteral("CSVファイルに書き出しました。\r\n") + QDir::toNativeSeparators(path);
    if (lossy) done += QStringLiteral("\r\nShift_JISで書けない文字は「?」になっています。");
    messages().inform(QStringLiteral("CSVに書き出し"), done);
}

void FrmData::Backup_Click()
{
    IFolderChooser* chooser = platform().folders;
    if (!chooser) return;
    const QString folder = chooser->chooseFolder(QStringLiteral("バックアップを保存するフォルダーを選んで下さい"),
                                                 QDir::homePath());
    if (folder.isEmpty()) return;  // cancelled
    QString saved, problem;
    if (!backupResults(folder, clock().now(), &saved, &problem)) {
        messages().inform(kErrorTitle, problem);
        return;
    }
    messages().inform(QStringLiteral("バックアップ"),
                      QStringLiteral("成績ファイルの写しを保存しました。\r\n") + QDir::toNativeSeparators(saved));
}

void FrmData::activate()
{
    Picture1->hide();
    const screens::Handling running(this);
    Command1_Click();
    if (screens::isOpen(this)) List1->setFocus();
}

void FrmData::名簿読込()
{
    const ProgramState& s = state();
    const int schoolYear = schoolYearOf(clock().today(), s.SchoolYearStartMonth.toInt());
    const QString path = rosterFilePath();
    const PupilBookRead r = readPupilBook(path, schoolYear, &book);
    Combo1->clear();
    Combo1->addItems(book.chooserEntries);
    Filters->setChoices(book.chooserEntries, std::clamp(s.LevelCount, 0, kMaxLevel));
    if (r != PupilBookRead::Ok && !rosterWarned_) {
        rosterWarned_ = true;
        const QString what = r == PupilBookRead::Missing ? QStringLiteral("がありません。")
                                                         : QStringLiteral("を読むことができません。");
        messages().inform(kErrorTitle, QStringLiteral("「%1」%2").arg(QFileInfo(path).fileName(), what) +
                                           QStringLiteral("\r\n") + shownPath(path) +
                                           QStringLiteral("\r\n生徒の名前と学年は表示されません。"));
    }
}

bool FrmData::readFile(std::vector<char>* records, int64_t* length)
{
    const QString path = resultsFilePath();
    records->clear();
    *length = 0;
    for (int tries = 1;; ++tries) {
        RecordFile f;
        if (!f.open(toFsPath(path), RecordFile::Mode::Read)) {
            // Absent: it is made empty, as for every reader of the file.
            RecordFile create;
            if (f.errorKind() != FileErrorKind::NotFound || !create.open(toFsPath(path), RecordFile::Mode::ReadWriteCreate)) {
                const RecordFile& failed = f.errorKind() != FileErrorKind::NotFound ? f : create;
                messages().inform(kErrorTitle, fileProblem(path, QStringLiteral("を開くことができません。"), failed));
                return false;
            }
            return true;
        }
        // The shared lock: no append lands half-way through the reading.
        bool unfinished = false;
        std::filesystem::path fault;
        const LockResult locked = lockForReading(f, false, &unfinished, &fault);
        if (unfinished && tries >= kBusyTries) {
            // A rewrite that a PC left half done cannot be finished (or its
            // journal looked at): the file is not shown half rewritten.
            const QString at = fault.empty() ? path : fromFsPath(fault);
            messages().inform(kErrorTitle, fileProblem(at, QStringLiteral("を読むことができません。"), f));
            return false;
        }
        if (locked == LockResult::Busy || unfinished) {
            if (tries >= kBusyTries) {
                messages().inform(kErrorTitle, QStringLiteral("「%1」は他のパソコンが使用中です。").arg(QFileInfo(path).fileName()) +
                                                   QStringLiteral("\r\n") + shownPath(path) +
                                                   QStringLiteral("\r\nしばらくしてから、もう一度開いて下さい。"));
                return false;
            }
            f.close();
            // "戻る" may be pressed meanwhile: then nothing more is read.
            if (!screens::waitFor(this, kBusyWaitMs)) return false;
            continue;
        }
        const int64_t size = f.size();
        const int64_t whole = size < 0 ? 0 : size / kRecordSize * kRecordSize;
        records->resize(size_t(whole));
        int64_t got = 0;
        if (size < 0 || (whole > 0 && !f.readAt(0, records->data(), whole, &got))) {
            records->clear();
            const QString problem = fileProblem(path, QStringLiteral("を読むことができません。"), f);
            f.close();  // the lock is given up before the message waits for the teacher
            messages().inform(kErrorTitle, problem);
            return false;
        }
        records->resize(size_t(got / kRecordSize * kRecordSize));
        *length = got < whole ? got : size;
        return true;
    }
}

void FrmData::Command1_Click()
{
    const screens::Handling running(this);
    名簿読込();
    Frame1->hide();
    std::vector<char> records;
    int64_t length = 0;
    const bool read = readFile(&records, &length);
    tellSetAsideJournals();
    if (!screens::isOpen(this)) return;
    if (!read) {
        Label2->setText(QStringLiteral("総レコード数:"));
        held_.reset();
        listed_.clear();
        model->setLines(RecordLines{});
        Filters->setShown(0, 0);
        return;
    }
    Label2->setText(recordCountText(length));
    held_ = std::make_shared<const std::vector<char>>(std::move(records));
    listed_ = listedRecords(held_->data(), int64_t(held_->size()) / kRecordSize, Filters->order());
    applyFilter();
}

void FrmData::applyFilter()
{
    Frame1->hide();
    if (!held_) return;
    const ProgramState& s = state();
    // Only the lines in sight are made into texts: the list answers at once
    // however many runs the file holds.
    std::vector<int> shown = filteredRecords(held_->data(), listed_, Filters->filter());
    const int count = int(shown.size());
    model->setLines(makeRecordLines(held_, std::move(shown), book, s.SchoolCode.toText(), s.SchoolName));
    Filters->setShown(count, int(listed_.size()));
}

int FrmData::selectedLine() const
{
    const QModelIndex i = List1->currentIndex();
    if (!i.isValid() || !List1->selectionModel()->isSelected(i)) return -1;
    return i.row();
}

void FrmData::selectLine(int line)
{
    if (line < 0 || line >= model->rowCount()) {
        List1->clearSelection();
    } else {
        const QModelIndex i = model->index(line);
        List1->setCurrentIndex(i);
        List1->scrollTo(i, QAbstractItemView::EnsureVisible);
    }
    List1->setFocus();
    List1_Click();  // selecting a line closes the edit panel
}

void FrmData::List1_Click() { Frame1->hide(); }

void FrmData::List1_DblClick()
{
    const int line = selectedLine();
    if (line < 0) return;
    const RecordLines& lines = model->lines();
    SelectedRecord = lines.numbers[size_t(line)];
    shownBytes_ = lines.bytes(line);
    ResultRecordData& r = ResultRecord();
    r = ResultRecordData::fromBytes(shownBytes_.data());

    Label3->setText(QString::number(SelectedRecord));
    Command2->setEnabled(true);
    Command3->setEnabled(true);
    DeleteDay->setEnabled(true);
    Label4->setText(QStringLiteral("ﾚﾍﾞﾙ") + QString::number(r.level));
    Label5->setText(oleDateTimeText(r.date));
    Label6->setText(book.gradeLabelOf(r.pupil).trimmed());
    {
        const QSignalBlocker quiet(VScroll1);
        VScroll1->setValue(r.time);
    }
    Text1->setText(QString::number(r.time));
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(chooserEntry(r.pupil, book.nameOf(r.pupil)));
    Frame1->show();
    Frame1->raise();
}

void FrmData::VScroll1_Change() { Text1->setText(QString::number(VScroll1->value())); }

void FrmData::Combo1_Click()
{
    const QString text = Combo1->currentText();
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0) {
        Label6->clear();
        return;
    }
    const double number = std::nearbyint(leadingNumber(text.left(slash)));
    Label6->setText(number >= 0 && number <= kMaxPupil ? book.gradeLabelOf(int(number)).trimmed() : QString());
}

bool FrmData::changeRecord(const std::function<void(std::vector<ResultRecordData>&, size_t)>& change)
{
    const int number = SelectedRecord;
    const std::array<char, kRecordSize> shown = shownBytes_;
    bool stale = false;
    QString problem;
    const bool done = updateResults(
        [&](std::vector<ResultRecordData>& records, QString*) {
            // Another teacher may have changed the file since the list was read.
            if (number < 1 || size_t(number) > records.size() ||
                records[size_t(number) - 1].toBytes() != shown) {
                stale = true;
                return false;
            }
            change(records, size_t(number) - 1);
            return true;
        },
        &problem);
    tellSetAsideJournals();
    if (done) return true;
    // Closed while the change waited for the lock: nothing more is shown on it.
    if (!screens::isOpen(this)) {
        if (!stale) messages().inform(kErrorTitle, problem);
        return false;
    }
    if (stale) {
        staleRecords(number);
        return false;
    }
    // The file could not be locked, read or replaced: nothing changed; the
    // panel stays open so that the teacher can try again.
    messages().inform(kErrorTitle, problem);
    return false;
}

void FrmData::Command2_Click()
{
    if (SelectedRecord < 1 || !Frame1->isVisible()) return;
    const screens::Handling running(this);
    int32_t seconds = 0;
    if (!timeFromBox(Text1->text(), &seconds)) {
        messages().inform(kWarningTitle, QStringLiteral("時間は 0 から 99999 までの秒数で入れて下さい。"));
        return;
    }
    int pupil = 0;
    if (!pupilFromChooser(Combo1->currentText(), &pupil)) {
        messages().inform(kWarningTitle, QStringLiteral("生徒を「番号 /  名前」の形で選んで下さい"
                                                        "（番号は 1 から 5000 まで）。"));
        return;
    }
    const bool done = changeRecord([&](std::vector<ResultRecordData>& records, size_t i) {
        records[i].time = seconds;
        records[i].pupil = int16_t(pupil);
    });
    if (!done || !screens::isOpen(this)) return;
    const int number = SelectedRecord;
    Command1_Click();
    selectLine(model->lines().lineOfRecord(number));
}

void FrmData::Command3_Click()
{
    if (SelectedRecord < 1 || !Frame1->isVisible()) return;
    if (!messages().confirm(kWarningTitle, QStringLiteral("本当に消去しますか"), ConfirmButtons::OkCancel)) return;
    const screens::Handling running(this);
    const bool done = changeRecord([](std::vector<ResultRecordData>& records, size_t i) {
        records.erase(records.begin() + std::ptrdiff_t(i));
    });
    if (!done || !screens::isOpen(this)) return;
    const int number = SelectedRecord;
    Command1_Click();
    // The record that followed takes the deleted one's number and its line.
    selectLine(model->lines().lineAtOrAfter(number));
}

void FrmData::DeleteDay_Click()
{
    if (SelectedRecord < 1 || !Frame1->isVisible() || !held_) return;
    const ResultRecordData shown = ResultRecordData::fromBytes(shownBytes_.data());
    const int64_t count = int64_t(held_->size()) / kRecordSize;
    const std::vector<int> numbers = sameDayRuns(held_->data(), count, shown.pupil, shown.date);
    if (numbers.empty()) return;
    std::vector<std::array<char, kRecordSize>> bytes;
    for (int n : numbers) {
        std::array<char, kRecordSize> b;
        std::memcpy(b.data(), held_->data() + int64_t(n - 1) * kRecordSize, kRecordSize);
        bytes.push_back(b);
    }
    const QString who = QStringLiteral("%1 %2").arg(shown.pupil).arg(book.nameOf(shown.pupil));
    const QString day = oleDateTimeText(std::floor(shown.date));
    if (!messages().confirm(kWarningTitle,
                            QStringLiteral("%1 さんの %2 の記録 %3件を全部消去します。\r\n本当に消去しますか")
                                .arg(who, day)
                                .arg(numbers.size()),
                            ConfirmButtons::OkCancel))
        return;
    const screens::Handling running(this);
    if (!deleteRecords(numbers, bytes) || !screens::isOpen(this)) return;
    Command1_Click();
    selectLine(model->lines().lineAtOrAfter(numbers.front()));
}

bool FrmData::deleteRecords(const std::vector<int>& numbers, const std::vector<std::array<char, kRecordSize>>& shown)
{
    bool stale = false;
    QString problem;
    const bool done = updateResults(
        [&](std::vector<ResultRecordData>& records, QString*) {
            // Every record still as it was listed, or nothing is deleted.
            for (size_t k = 0; k < numbers.size(); ++k) {
                const int n = numbers[k];
                if (n < 1 || size_t(n) > records.size() || records[size_t(n) - 1].toBytes() != shown[k]) {
                    stale = true;
                    return false;
                }
            }
            for (auto it = numbers.rbegin(); it != numbers.rend(); ++it)
                records.erase(records.begin() + std::ptrdiff_t(*it - 1));
            return true;
        },
        &problem);
    if (done) return true;
    if (!screens::isOpen(this)) {
        if (!stale) messages().inform(kErrorTitle, problem);
        return false;
    }
    if (stale) {
        staleRecords(numbers.front());
        return false;
    }
    messages().inform(kErrorTitle, problem);
    return false;
}

void FrmData::staleRecords(int number)
{
    messages().inform(kWarningTitle,
                      QStringLiteral("レコード %1 は、一覧を表示した後に変更または消去されています"
                                     "（ほかのパソコンで変更されたかもしれません）。\r\n"
                                     "何も変更していません。一覧を表示し直しますので、もう一度選んで下さい。")
                          .arg(number));
    Command1_Click();
    selectLine(model->lines().lineAtOrAfter(number));
}

void FrmData::Command4_Click()
{
    Picture1->show();
    Picture1->raise();
    if (!screens::yieldFor(this)) return;
    if (screens::isRegistered(ScreenId::Dashboard))
        screens::show(ScreenId::Dashboard);
    else
        screens::show(ScreenId::Interim);
    screens::close(ScreenId::RecordsManager);
}

void FrmData::Command5_Click() { Frame1->hide(); }

bool FrmData::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == List1) {
                const QModelIndex i = List1->currentIndex();
                if (i.isValid()) {
                    List1->selectionModel()->select(i, QItemSelectionModel::ClearAndSelect);
                    List1_DblClick();
                }
                return true;
            }
            if (auto* b = qobject_cast<QPushButton*>(watched)) {
                if (b->isEnabled()) b->click();
                return true;
            }
        }
        // The up and down keys in the time box work the spin control beside it.
        if (watched == Text1 && (key == Qt::Key_Up || key == Qt::Key_Down)) {
            VScroll1->triggerAction(key == Qt::Key_Up ? QAbstractSlider::SliderSingleStepSub
                                                      : QAbstractSlider::SliderSingleStepAdd);
            return true;
        }
    } else if (event->type() == QEvent::Wheel && watched == VScroll1) {
        // Turning the wheel up counts up, as the upper arrow does.
        const int dy = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (dy != 0)
            VScroll1->triggerAction(dy > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
        return true;
    }
    return Screen::eventFilter(watched, event);
}

void registerRecordsManagerScreen()
{
    screens::registerFactory(ScreenId::RecordsManager, [] { return new FrmData(); });
}

} // namespace karuvel
