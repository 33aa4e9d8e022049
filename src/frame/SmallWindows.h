#pragma once
// The splash (Firstfrm), the version window (frmver) and the interim window
// that stands in for screens a later stage of the program brings.
#include "frame/Screen.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace karuvel {

class Firstfrm : public Screen {
    Q_OBJECT
public:
    Firstfrm();
    // The start: season colour, the date once the splash is on the screen,
    // then the timer hands over.
    void start();
    QLabel* Picture1;  // the splash picture
    QLabel* Label5;    // today's date in the Japanese era
    QLabel* Label1;    // "しばらくお待ちください。"
    QTimer* Timer1;    // hands over to name selection once the splash has shown

public slots:
    void Timer1_Timer();  // loads the configuration and shows name selection
};

class frmver : public QDialog {
    Q_OBJECT
public:
    explicit frmver(QWidget* parent = nullptr);
    QLabel* Label1;      // the program's title
    QLabel* Label2;      // the version ("Version1.0.16")
    QLabel* Label4;      // the maker's name
    QLabel* LabelAbout;  // where the maps come from (attribution)
    QPushButton* Command1;  // "O.K.": closes the window

protected:
    void showEvent(QShowEvent* e) override;
};

// The about text of the maps: their sources and attribution.
QString aboutText();
// "Version" + major.minor.revision: "Version1.0.16".
QString versionText();
// Shows the version window centred over the given window, modally.
void showVersionWindow(QWidget* over);

class InterimWindow : public Screen {
    Q_OBJECT
public:
    InterimWindow();
    void activate() override;
    QLabel* Label1;  // the school's name and the program's title
    QLabel* Label2;  // the program's levels, one a line
};

// The program's start: registers the frame's screens and shows the splash.
void registerFrameScreens();
void startProgram();

} // namespace karuvel
