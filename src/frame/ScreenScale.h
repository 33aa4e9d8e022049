// The scale of the whole user interface. The program is laid out for a
// 1024 x 768 screen; on a larger (or smaller) screen the toolkit scales
// everything, so that text and lines stay crisp. The toolkit takes its scale
// only when it starts, so the scale found for a screen is noted in the user's
// cache folder: the next start takes it from the outset, and the toolkit
// starts again only when the screen has changed.
#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>

namespace karuvel {

// The scale that fits the layout to a screen of `size` (as the toolkit sees it
// without a scale of ours): 1 where none is needed (within 1 %) or where the
// screen is too small to tell.
double scaleForScreen(const QSizeF& size);

// Whether a toolkit started with the scale `taken` must start again for `wanted`.
bool scaleDiffers(double taken, double wanted);

// The note's text for a scale, and the scale a note's text gives (1 for a
// text that is not a scale).
QByteArray scaleNoteText(double scale);
double scaleFromNoteText(const QByteArray& text);

// Where the note lies: $XDG_CACHE_HOME/karuvel/screen-scale, else
// $HOME/.cache/karuvel/screen-scale; empty with neither.
QString scaleNotePath();

// The scale noted at the last start (1 without a note), and the noting of
// `scale` where it differs from `noted`, the scale read at this start (a note
// that cannot be written is left).
double notedScale();
void noteScale(double scale, double noted);

} // namespace karuvel
