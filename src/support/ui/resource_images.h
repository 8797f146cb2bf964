#pragma once

#include <QByteArray>
#include <QPixmap>
#include <QString>

namespace tollhaven {

// Pictures built into the program (resources/resources.qrc).
inline constexpr const char* kAppIcon = ":/icons/app.svg";
inline constexpr const char* kViewIcon = ":/icons/view.svg";
inline constexpr const char* kEditIcon = ":/icons/edit.svg";
inline constexpr const char* kAttributesIcon = ":/icons/attributes.svg";
inline constexpr const char* kRestartIcon = ":/icons/restart.svg";
inline constexpr const char* kMoveIcon = ":/icons/move.svg";
inline constexpr const char* kCopyIcon = ":/icons/copy.svg";
inline constexpr const char* kNewFolderIcon = ":/icons/new_folder.svg";
inline constexpr const char* kDeleteIcon = ":/icons/delete.svg";
inline constexpr const char* kRereadIcon = ":/icons/reread.svg";
inline constexpr const char* kSortUpIcon = ":/icons/sort_up.svg";
inline constexpr const char* kSortDownIcon = ":/icons/sort_down.svg";

// The About box's background picture, a 400 x 300 JPEG.
inline constexpr int kAboutImageId = 503;
inline constexpr const char* kAboutImage = ":/images/about.jpg";

// Registers the built-in pictures. The user-interface library is static, so nothing would
// otherwise pull the compiled resources into a program; every loader here calls it first, and
// calling it again does no harm.
void InitResources();

// The built-in picture with that number at its natural size, or a null pixmap when there is no
// such picture or it cannot be decoded; callers then go on without it.
QPixmap ResourceImageToBitmap(int resourceId);
// Decodes a picture file held in memory (JPEG, PNG, ...); null when it cannot be decoded.
QPixmap PictureBytesToBitmap(const QByteArray& bytes);

}  // namespace tollhaven
