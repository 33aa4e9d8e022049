#pragma once
#include "frame/Screen.h"

class QLabel;

namespace karuvel {

// BASEFRM: one label "しばらくお待ちください。"; it only shows itself.
class WaitWindow : public Screen {
    Q_OBJECT
public:
    WaitWindow();
    QLabel* Label19;
};

} // namespace karuvel
