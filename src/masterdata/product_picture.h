#pragma once
#include "core/outcome.h"

#include <QImage>
#include <QString>

// The picture file of a product (bm_sp.TP), as the picture preview shows and
// assigns it. A picture inside the home folder is stored relative to it, so
// the home can move with its pictures; one elsewhere is stored as its
// absolute path.
namespace ProductPicture {

// Where the picture dialog starts: the home's 图片 folder.
QString folder();

// The stored form of a chosen file: relative to the home when inside it
// ("图片/a.jpg"), else the absolute path.
QString storedPath(const QString &chosenFile);

// The file a stored path names: a relative path lies in the home (a path
// written with "\" is read as well); empty when the path is empty, or when a
// relative path climbs out of the home with "..", which is not followed.
QString resolve(const QString &stored);

// The picture of a stored path; a null image when there is no file (which is no error).
QImage load(const QString &stored);

// TP of a product (empty when it has none or the product is gone).
QString read(const QString &code);
// Writes TP of a product: "保存失败，请先保存然后重试！" when it fails or no
// product has the code (one not saved yet).
Outcome write(const QString &code, const QString &stored);

} // namespace ProductPicture
