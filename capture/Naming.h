#pragma once

#include <QDateTime>
#include <QString>

#include "settings/SettingsSource.h"

namespace qm {

// A file-name-safe name made from a page address: "https" and "http" removed anywhere, ":" and "/"
// removed, "." "\" "*" "?" ">" "<" "|" turned into "_"; case-sensitive. A file: address is
// percent-decoded first.
QString SiteNameFromAddress(const QString& address);

// "MMddyyHHmmss": month, day, two-digit year, hour 00-23, minutes, seconds.
QString DateTimeStamp(const QDateTime& at);

struct OutputNaming
{
    QString folder;
    QString baseName;
    bool numbering = false;
};

// Reads outputfolder, filename, datetime, existedfile, fileoption (in that order). An output folder
// equal to 0 or empty is the app home. The base name is shortened, keeping a short hash of the full
// name, when it and the longest suffix added to it would not fit in one file name.
OutputNaming ReadOutputNaming(
    const SettingsSource& s, const QString& appHome, const QString& pageAddress, const QDateTime& now);

// Longest base name, in UTF-8 bytes, that ReadOutputNaming lets through: room is left for
// "_Thumbnail.jpg", "_<n>.tiff" and a writer's temporary suffix within the file system's 255 bytes.
inline constexpr qsizetype MaxBaseNameBytes = 200;

// The base name itself when short enough, else its head and "~" and eight hex digits of its hash.
QString ShortenedBaseName(const QString& baseName);

QString IntermediatePath(const OutputNaming& n); // folder + "/" + baseName + ".BMP"
QString PathStem(const QString& path); // the path without its last four characters
QString ThumbnailPath(const QString& intermediate); // PathStem + "_Thumbnail.jpg"

} // namespace qm
