#include "admin/RecordFilterBar.h"

#include "platform/Platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScopeGuard>

namespace karuvel {

namespace {
template <typename T>
T* named(T* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

QFont pixelFont(int pixels)
{
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(pixels);
    return f;
}
} // namespace

RecordFilterBar::RecordFilterBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RecordFilterBar"));
    setFont(pixelFont(14));
    FilterPupil = named(new QComboBox(this), QStringLiteral("FilterPupil"));
    FilterPupil->setGeometry(0, 0, 230, 28);
    FilterPupil->setMaxVisibleItems(20);
    FilterLevel = named(new QComboBox(this), QStringLiteral("FilterLevel"));
    FilterLevel->setGeometry(236, 0, 110, 28);
    FilterTimeOver = named(new QComboBox(this), QStringLiteral("FilterTimeOver"));
    FilterTimeOver->setGeometry(352, 0, 150, 28);
    FilterTimeOver->addItems({QStringLiteral("時間切れも表示"), QStringLiteral("時間切れだけ"), QStringLiteral("時間切れは除く")});
    FilterOrder = named(new QComboBox(this), QStringLiteral("FilterOrder"));
    FilterOrder->setGeometry(508, 0, 100, 28);
    FilterOrder->addItems({QStringLiteral("新しい順"), QStringLiteral("記録順")});
    FilterClear = named(new QPushButton(QStringLiteral("条件を消す"), this), QStringLiteral("FilterClear"));
    FilterClear->setGeometry(614, 0, 86, 28);

    FilterPeriod = named(new QCheckBox(QStringLiteral("期間"), this), QStringLiteral("FilterPeriod"));
    FilterPeriod->setGeometry(0, 34, 64, 28);
    auto dateEdit = [this](const QString& name, int x) {
        auto* d = named(new QDateEdit(this), name);
        d->setGeometry(x, 34, 140, 28);
        d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        d->setCalendarPopup(true);
        d->setEnabled(false);
        return d;
    };
    FilterFrom = dateEdit(QStringLiteral("FilterFrom"), 64);
    auto* dash = new QLabel(QStringLiteral("～"), this);
    dash->setGeometry(208, 34, 20, 28);
    FilterTo = dateEdit(QStringLiteral("FilterTo"), 228);
    // Before 期間 is ticked the boxes offer the last month up to today, the
    // days a teacher most often looks for.
    const QDate today = platform().clock ? clock().today() : QDate::currentDate();
    FilterFrom->setDate(today.addMonths(-1));
    FilterTo->setDate(today);
    ShownCount = named(new QLabel(this), QStringLiteral("ShownCount"));
    ShownCount->setGeometry(380, 34, 320, 28);
    ShownCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto changed = [this] {
        if (!filling_) emit filterChanged();
    };
    connect(FilterPupil, &QComboBox::currentIndexChanged, this, changed);
    connect(FilterLevel, &QComboBox::currentIndexChanged, this, changed);
    connect(FilterTimeOver, &QComboBox::currentIndexChanged, this, changed);
    connect(FilterFrom, &QDateEdit::dateChanged, this, changed);
    connect(FilterTo, &QDateEdit::dateChanged, this, changed);
    connect(FilterPeriod, &QCheckBox::toggled, this, [this, changed](bool on) {
        FilterFrom->setEnabled(on);
        FilterTo->setEnabled(on);
        changed();
    });
    connect(FilterOrder, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) emit orderChanged();
    });
    connect(FilterClear, &QPushButton::clicked, this, [this] {
        {
            filling_ = true;
            const auto done = qScopeGuard([this] { filling_ = false; });
            FilterPupil->setCurrentIndex(0);
            FilterLevel->setCurrentIndex(0);
            FilterTimeOver->setCurrentIndex(0);
            FilterPeriod->setChecked(false);
        }
        emit filterChanged();
    });
}

void RecordFilterBar::setChoices(const QStringList& chooserEntries, int levels)
{
    filling_ = true;
    const auto done = qScopeGuard([this] { filling_ = false; });
    const int pupil = FilterPupil->currentData().toInt();
    const int level = FilterLevel->currentData().toInt();
    FilterPupil->clear();
    FilterPupil->addItem(QStringLiteral("全員"), 0);
    for (const QString& entry : chooserEntries) {
        int number = 0;
        if (pupilFromChooser(entry, &number)) FilterPupil->addItem(entry, number);
    }
    FilterLevel->clear();
    FilterLevel->addItem(QStringLiteral("全レベル"), 0);
    for (int l = 1; l <= levels; ++l) FilterLevel->addItem(QStringLiteral("レベル%1").arg(l), l);
    FilterPupil->setCurrentIndex(std::max(0, FilterPupil->findData(pupil)));
    FilterLevel->setCurrentIndex(std::max(0, FilterLevel->findData(level)));
}

void RecordFilterBar::setPeriod(const QDate& from, const QDate& to)
{
    {
        filling_ = true;
        const auto done = qScopeGuard([this] { filling_ = false; });
        FilterFrom->setDate(from);
        FilterTo->setDate(to);
        FilterPeriod->setChecked(true);
    }
    emit filterChanged();
}

RecordFilter RecordFilterBar::filter() const
{
    RecordFilter f;
    f.pupil = FilterPupil->currentData().toInt();
    f.level = FilterLevel->currentData().toInt();
    if (FilterPeriod->isChecked()) {
        f.from = FilterFrom->date();
        f.to = FilterTo->date();
    }
    switch (FilterTimeOver->currentIndex()) {
    case 1: f.timeOver = RecordFilter::TimeOver::Only; break;
    case 2: f.timeOver = RecordFilter::TimeOver::Without; break;
    default: break;
    }
    return f;
}

RecordOrder RecordFilterBar::order() const
{
    return FilterOrder->currentIndex() == 1 ? RecordOrder::FileOrder : RecordOrder::NewestFirst;
}

void RecordFilterBar::setShown(int shown, int total)
{
    const QLocale jp(QLocale::Japanese, QLocale::Japan);
    ShownCount->setText(shown == total ? QStringLiteral("表示 %1件").arg(jp.toString(shown))
                                       : QStringLiteral("表示 %1件（全%2件中）").arg(jp.toString(shown), jp.toString(total)));
}

} // namespace karuvel
