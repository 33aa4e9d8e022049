#pragma once
#include "frame/Screen.h"

class QLabel;

namespace karuvel {

// BASEFRM: one label "Just a moment, please."; it only shows itself.
class WaitWindow : public Screen {
    Q_OBJECT
public:
    WaitWindow();
    QLabel* Label19;
};

} // namespace karuvel
