#pragma once
// Every screen of the program is laid out in a 1024 x 768 frame and shown
// full screen; the frame sits in the middle of the window on the screen's
// background. (The start-up scales the whole program so that the frame fills
// the real screen.)
#include <QColor>
#include <QWidget>

namespace karuvel {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
// Twips of the 1024 x 768 screen: 15 twips a pixel.
constexpr int twips(int t) { return t / 15; }

class Screen : public QWidget {
    Q_OBJECT
public:
    explicit Screen(const QString& objectName, QWidget* parent = nullptr);
    // The 1024 x 768 area every control of the screen is placed in.
    QWidget* frame() const { return frame_; }
    void setBackground(const QColor& colour);
    // Called by the navigator each time the screen is shown.
    virtual void activate() {}
    // A screen that can use a screen wider than 4:3 lets its frame take the
    // window's whole width (never less than 1024); the height stays 768.
    void setFrameFollowsWidth(bool follows);

protected:
    void resizeEvent(QResizeEvent* e) override;
    // The frame's width changed (a frame that follows the window's width).
    virtual void frameWidthChanged(int width) {}

private:
    QWidget* frame_;
    bool followsWidth_ = false;
};

// An RGB value of the state (0xRRGGBB) as a colour.
QColor rgbColour(long long rgb);

} // namespace karuvel
