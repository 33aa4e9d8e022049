#include "frame/WaitWindow.h"

#include <QLabel>

namespace karuvel {

WaitWindow::WaitWindow() : Screen(QStringLiteral("BASEFRM"))
{
    setBackground(QColor(192, 255, 192));
    Label19 = new QLabel(QStringLiteral("しばらくお待ちください。"), frame());
    Label19->setObjectName(QStringLiteral("Label19"));
    QFont f = Label19->font();
    f.setPointSize(28);
    Label19->setFont(f);
    Label19->setAlignment(Qt::AlignCenter);
    Label19->setGeometry(0, 330, kFrameWidth, 80);
}

} // namespace karuvel
