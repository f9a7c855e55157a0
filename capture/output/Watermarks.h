#pragma once

#include <QImage>
#include <QString>

namespace qm {

class SettingsSource;

// The two page watermarks. Their settings (section "watermark") are read at each call. Both place
// their mark by the placement code ("twz" / "iwz"): "0" and "4" measure the offsets from the
// top-left corner, "1" from the top-right, "2" from the bottom-left, "3" from the bottom-right;
// any other code measures from the top-left. The anchor lives only inside one call, so parallel
// captures cannot move each other's marks.
//
// Every step is guarded on its own: a step that fails (a value too large, a picture that cannot be
// read) is skipped. An empty "watertext", or a "waterimage" that is empty, missing or not decodable,
// leaves the image exactly as it was; a picture that is set but cannot be used is reported, for the
// user to hear of once.

// Draws "watertext" onto `image` in place.
void ApplyTextWatermark(const SettingsSource& s, QImage& image);
// Blends the "waterimage" picture onto `image` in place. Returns why a picture that is set could not
// be used (missing, unreadable, not a picture), else the empty text.
QString ApplyImageWatermark(const SettingsSource& s, QImage& image);

} // namespace qm
