// The drill window's panels built from their tables: the status panel across
// the top and the drill area (map, scroll boxes, answer panel) below it.
#include "drill/MainFrm.h"

#include "drill/DrillLayout.h"
#include "drill/NameLists.h"
#include "frame/Layout.h"

namespace karuvel {

using namespace drillui;

void MainFrm::buildStatusPanel()
{
    QWidget* f = frame();
    sPicture1 = new QWidget(f);
    sPicture1->setObjectName(QStringLiteral("sPicture1"));
    sPicture1->setGeometry(0, 0, kFrameWidth, kStatusHeight);
    paintBackground(sPicture1, kStatusColour);

    // Rows 1 and 2 and the minutes of row 3: captions (with a text) and the
    // figures the run fills in.
    for (const StatusCell& c : kStatusCells) {
        QLabel* l = makeLabel(sPicture1, QLatin1String(c.name), QString::fromUtf8(c.text), c.px, c.bold, c.align);
        l->setGeometry(c.rect);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, QColor::fromRgb(c.ink));
        l->setPalette(p);
    }
    const auto label = [this](const char* name) { return requireControlAs<QLabel>(sPicture1, name); };
    sLabel2 = label("sLabel2");
    sLabel14 = label("sLabel14");
    sLabel7 = label("sLabel7");
    sLabel8 = label("sLabel8");
    sLabel9 = label("sLabel9");
    sLabel10 = label("sLabel10");
    sLabel12 = label("sLabel12");
    sLabel11 = label("sLabel11");
    sLabel13 = label("sLabel13");

    // Row 3: time bar, countdown rows, minutes since sign-in.
    sShape5 = new QWidget(sPicture1);
    sShape5->setObjectName(QStringLiteral("sShape5"));
    paintBackground(sShape5, Qt::white);
    sShape4 = new QWidget(sShape5);
    sShape4->setObjectName(QStringLiteral("sShape4"));
    paintBackground(sShape4, QColor(128, 255, 128));
    sShape3 = new QWidget(sShape5);
    sShape3->setObjectName(QStringLiteral("sShape3"));
    paintBackground(sShape3, QColor(0, 192, 0));
    sShape2 = new QWidget(sShape5);
    sShape2->setObjectName(QStringLiteral("sShape2"));
    paintBackground(sShape2, QColor(0, 0, 255));
    auto* border = new QLabel(sShape5);  // a thin outline over the bar
    border->setObjectName(QStringLiteral("sShape5Border"));
    border->setFrameShape(QFrame::Box);
    border->setAttribute(Qt::WA_TransparentForMouseEvents);

    const char* rowNames[3] = {"Best", "YourBest", "Pass"};
    const QColor rowColours[3] = {QColor(0, 192, 0), QColor(192, 192, 0), QColor(192, 0, 0)};
    for (int r = 0; r < 3; ++r) {
        QLabel* l = makeLabel(sPicture1, QStringLiteral("sCaption%1").arg(QLatin1String(rowNames[r])),
                              QLatin1String(rowNames[r]), 12, false, Qt::AlignRight | Qt::AlignVCenter);
        l->setGeometry(kCountdownRows.caption.translated(0, r * kCountdownRows.rowStep));
        for (int i = 0; i < 10; ++i) {
            const int index = 10 + r * 10 + i;
            auto* box = new QWidget(sPicture1);
            box->setObjectName(QStringLiteral("sPicture3(%1)").arg(index));
            box->setGeometry(kCountdownRows.firstBox.translated(i * kCountdownRows.boxStep, r * kCountdownRows.rowStep));
            paintBackground(box, rowColours[r]);
            sPicture3[size_t(index)] = box;
        }
    }

    // The notice panel: "成績記録中" while the run is recorded, or "時間切れ".
    sPicture2 = new QWidget(f);
    sPicture2->setObjectName(QStringLiteral("sPicture2"));
    paintBackground(sPicture2, QColor(255, 255, 128));
    lblsss1 = makeLabel(sPicture2, QStringLiteral("lblsss1"), QStringLiteral("成績記録中"), 48, true, Qt::AlignCenter);
    lblsss2 = makeLabel(sPicture2, QStringLiteral("lblsss2"), QStringLiteral("時間切れ"), 48, true, Qt::AlignCenter);
    QPalette red = lblsss2->palette();
    red.setColor(QPalette::WindowText, QColor(192, 0, 0));
    lblsss2->setPalette(red);
    QPalette blue = lblsss1->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 160));
    lblsss1->setPalette(blue);
    sPicture2->hide();
    layOut(f, kNoticeLayout);

    sTimer1 = new QTimer(this);
    sTimer1->setObjectName(QStringLiteral("sTimer1"));
    sTimer1->setInterval(1000);
    connect(sTimer1, &QTimer::timeout, this, &MainFrm::sTimer1_Timer);
    sTimer2 = new QTimer(this);
    sTimer2->setObjectName(QStringLiteral("sTimer2"));
    sTimer2->setInterval(10000);
    connect(sTimer2, &QTimer::timeout, this, &MainFrm::sTimer2_Timer);
}

void MainFrm::buildDrillArea()
{
    PicNuritubusiBase = new QWidget(frame());
    PicNuritubusiBase->setObjectName(QStringLiteral("PicNuritubusiBase"));
    paintBackground(PicNuritubusiBase, kBaseColour);
    PicNuritubusiBase->setGeometry(0, kStatusHeight, kFrameWidth, kFrameHeight - kStatusHeight);
    QWidget* base = PicNuritubusiBase;

    BasePictureBox = new MapViewport(base);
    BasePictureBox->setGeometry(kViewportLeft, kViewportTop, kViewportWidth, kViewportHeight);
    PicNuritubusiPic = new MapView(&surface_, BasePictureBox);
    PicNuritubusiPic->setGeometry(0, 0, kViewportWidth, kViewportHeight);
    connect(PicNuritubusiPic, &MapView::pressed, this, &MainFrm::PicNuritubusiPic_MouseDown);
    connect(PicNuritubusiPic, &MapView::moved, this, &MainFrm::PicNuritubusiPic_MouseMove);
    BasePictureBox->attach(PicNuritubusiPic);
    Picture2 = new QLabel(base);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->hide();

    // Scroll bars and corners around the viewport.
    const QString arrows[4] = {QStringLiteral("◀"), QStringLiteral("▶"), QStringLiteral("▲"), QStringLiteral("▼")};
    for (int i = 0; i < 4; ++i) {
        auto* b = new ScrollBox(arrows[i], base);
        b->setObjectName(QStringLiteral("PicNuritubusiIdou(%1)").arg(i));
        b->setGeometry(kScrollBars[i]);
        connect(b, &ScrollBox::clicked, this, [this, i] { PicNuritubusiIdou_Click(i); });
        PicNuritubusiIdou[size_t(i)] = b;
    }
    const QString diagonals[4] = {QStringLiteral("◤"), QStringLiteral("◣"), QStringLiteral("◥"), QStringLiteral("◢")};
    for (int i = 0; i < 4; ++i) {
        auto* b = new ScrollBox(diagonals[i], base);
        b->setObjectName(QStringLiteral("PicNuritubusiIdou2(%1)").arg(i));
        b->setGeometry(kScrollCorners[i]);
        b->setFont(pixelFont(11));
        connect(b, &ScrollBox::clicked, this, [this, i] { PicNuritubusiIdou2_Click(i); });
        PicNuritubusiIdou2[size_t(i)] = b;
    }

    // The bars and corners move the map only while it is not the viewport's
    // size (zoomed in); otherwise they would look pressable and do nothing.
    const auto barsFollowZoom = [this] {
        const bool moves = PicNuritubusiPic->size() != BasePictureBox->size();
        for (int i = 0; i < 4; ++i) {
            PicNuritubusiIdou[size_t(i)]->setEnabled(moves);
            PicNuritubusiIdou2[size_t(i)]->setEnabled(moves);
        }
    };
    connect(PicNuritubusiPic, &MapView::zoomChanged, this, barsFollowZoom);
    barsFollowZoom();

    // Layout anchors: one invisible column at the right of the map.
    for (int i = 0; i < 6; ++i) {
        auto* a = new QLabel(base);
        a->setObjectName(QStringLiteral("Label4(%1)").arg(i));
        a->setGeometry(kAnchorLeft, kAnchorTop[i], kAnchorWidth, kSlotHeight);
        a->hide();
        Label4[size_t(i)] = a;
    }

    auto slot = [&](const QString& name) {
        QLabel* l = makeLabel(base, name, QString(), 26, true, Qt::AlignCenter);
        l->setFrameShape(QFrame::Box);
        l->setLineWidth(2);
        setSlotColour(l, kGreen);
        return l;
    };
    LblNuritubusi2 = slot(QStringLiteral("LblNuritubusi2"));
    LblNuritubusi7 = slot(QStringLiteral("LblNuritubusi7"));
    Label3 = slot(QStringLiteral("Label3"));
    LblNuritubusi4 = slot(QStringLiteral("LblNuritubusi4"));
    Lblnuritubusi9 = slot(QStringLiteral("Lblnuritubusi9"));
    Lblnuritubusi1 = slot(QStringLiteral("Lblnuritubusi1"));
    LblNuritubusi8 = slot(QStringLiteral("LblNuritubusi8"));
    // The right names of a list level show only with its correction: in the right answer's colour.
    setSlotColour(Lblnuritubusi1, kRightSlot);
    setSlotColour(LblNuritubusi8, kRightSlot);

    const QColor ink(0, 0, 128);
    auto instruction = [&](const QString& name, const QString& text, int px) {
        QLabel* l = makeLabel(base, name, text, px, true, Qt::AlignLeft | Qt::AlignVCenter);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, ink);
        l->setPalette(p);
        return l;
    };
    LblNuritubusi6 = instruction(QStringLiteral("LblNuritubusi6"), QStringLiteral("関連する場所を押しなさい"), 26);
    LblNuritubusiSiji = instruction(QStringLiteral("LblNuritubusiSiji"), QString(), 26);
    Label5 = instruction(QStringLiteral("Label5"), QStringLiteral("あなたが押したのは"), 22);
    Label6 = instruction(QStringLiteral("Label6"), QStringLiteral("正解は"), 22);

    List2 = makeList(base, QStringLiteral("List2"), QColor(192, 255, 192), 22, false);
    List2->setFocusPolicy(Qt::NoFocus);
    List2->setSelectionMode(QAbstractItemView::NoSelection);
    // The name lists and the related-place choices work from the keyboard
    // too: Tab (or Enter on a choice) goes name list, second-name list,
    // related places, "O.K.".
    auto* names = new ChoiceList(base);
    auto* seconds = new ChoiceList(base);
    auto* related = new ChoiceList(base);
    List3 = makeList(base, QStringLiteral("List3"), QColor(255, 255, 128), 22, true, related);
    ListNuritubusi = makeList(base, QStringLiteral("ListNuritubusi"), QColor(255, 255, 192), 19, false, names);
    ListNuritubusi2 = makeList(base, QStringLiteral("ListNuritubusi2"), QColor(255, 255, 192), 19, false, seconds);
    for (QListWidget* l : {ListNuritubusi, ListNuritubusi2}) {
        l->setItemDelegate(new NameListDelegate(l));
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    new KanaButtons(names, QStringLiteral("KanaButtons1"), base);
    new KanaButtons(seconds, QStringLiteral("KanaButtons2"), base);
    connect(names, &ChoiceList::picked, this, &MainFrm::ListNuritubusi_Click);
    connect(seconds, &ChoiceList::picked, this, &MainFrm::ListNuritubusi2_Click);
    connect(related, &ChoiceList::picked, this, &MainFrm::List3_Click);
    connect(ListNuritubusi, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* it) { ListNuritubusi_Click(ListNuritubusi->row(it)); });
    connect(ListNuritubusi, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { ListNuritubusi_DblClick(ListNuritubusi->row(it)); });
    connect(ListNuritubusi2, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* it) { ListNuritubusi2_Click(ListNuritubusi2->row(it)); });
    connect(ListNuritubusi2, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { ListNuritubusi2_DblClick(ListNuritubusi2->row(it)); });
    connect(List3, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) { List3_Click(List3->row(it)); });
    connect(List3, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { List3_DblClick(List3->row(it)); });

    CmdNuritubusiOK = makeButton(base, QStringLiteral("CmdNuritubusiOK"), QStringLiteral("O.K."));
    connect(CmdNuritubusiOK, &QPushButton::clicked, this, &MainFrm::CmdNuritubusiOK_Click);
    CmdNuritubusikakunin = makeButton(base, QStringLiteral("CmdNuritubusikakunin"), QStringLiteral("次へ"));
    connect(CmdNuritubusikakunin, &QPushButton::clicked, this, &MainFrm::CmdNuritubusikakunin_Click);
    CmdNuritubusimodoru = makeButton(base, QStringLiteral("CmdNuritubusimodoru"), QStringLiteral("戻る"));
    connect(CmdNuritubusimodoru, &QPushButton::clicked, this, &MainFrm::CmdNuritubusimodoru_Click);
    setTabOrder(ListNuritubusi, ListNuritubusi2);
    setTabOrder(ListNuritubusi2, List3);
    setTabOrder(List3, CmdNuritubusiOK);
    for (const ControlSize& c : kAnswerPanelSizes) control(c.name)->resize(c.width, c.height);

    // Practice captions, on the map's viewport away from the place explored
    // (placeCaptionsAway), in a size a child reads at a glance.
    auto floating = [&](const QString& name, const QColor& colour, int px, bool bold) {
        QLabel* l = makeLabel(BasePictureBox, name, QString(), px, bold, Qt::AlignLeft | Qt::AlignTop);
        paintBackground(l, colour);
        l->setFrameShape(QFrame::Box);
        l->setMargin(2);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        l->hide();
        return l;
    };
    Label7 = floating(QStringLiteral("Label7"), QColor(255, 192, 128), 22, true);
    Label8 = floating(QStringLiteral("Label8"), QColor(255, 224, 192), 19, true);
    Label9 = floating(QStringLiteral("Label9"), QColor(255, 192, 192), 17, false);

    mapSign = PicNuritubusiPic->sign();
    listSign = new AnswerSign(96, base);
    listSign->setObjectName(QStringLiteral("AnswerSignList"));
    listSign->setBacked(true);  // over slots in the right answer's red or the wrong answer's violet
    penaltyBadge = new PenaltyBadge(sPicture1);
    penaltyBadge->setObjectName(QStringLiteral("PenaltyBadge"));
    layOut(sPicture1, kStatusOverlayLayout);

    // Everything not shown at the start is hidden.
    for (QWidget* w : std::initializer_list<QWidget*>{LblNuritubusi6, LblNuritubusiSiji, Label5, LblNuritubusi4,
                                                     Lblnuritubusi9, Label6, Lblnuritubusi1, LblNuritubusi8, List2,
                                                     List3, ListNuritubusi, ListNuritubusi2, CmdNuritubusiOK,
                                                     CmdNuritubusikakunin, CmdNuritubusimodoru})
        w->hide();
    // Until the arrangement stacks them, the three slots stand at anchor 0.
    placeAt(LblNuritubusi2, kAnchorTop[0]);
    placeBelow(LblNuritubusi7, LblNuritubusi2);
    placeBelow(Label3, LblNuritubusi7);
}

QWidget* MainFrm::control(const char* name) const
{
    // A table that names a control the build did not make stops the program here.
    return requireControl(PicNuritubusiBase, name, /*directOnly=*/true);
}

void MainFrm::arrange(std::span<const Arranged> steps)
{
    for (const Arranged& a : steps) {
        QWidget* w = control(a.name);
        switch (a.how) {
        case Stack::AtAnchor: placeAt(w, Label4[size_t(a.anchor)]->y() + a.offset); break;
        case Stack::Below: placeBelow(w, control(a.other)); break;
        case Stack::Above: placeAt(w, control(a.other)->y() - w->height()); break;
        case Stack::RightOf: {
            const QWidget* left = control(a.other);
            w->move(left->x() + left->width() + a.offset, left->y());
            break;
        }
        }
    }
}

void MainFrm::placeBelow(QWidget* w, QWidget* above) { w->move(kPanelLeft, above->y() + above->height()); }

} // namespace karuvel
