#pragma once
// The picture of a picture column's field, drawn in a data cell.

class QPainter;
class QRect;

namespace zdb {

class TZColumn;

// Draws the picture that the column's field holds in the record being painted, scaled to
// fit the cell and kept in proportion, placed by the column's alignment. True when the
// column shows pictures (a graphic field, or a large-object field holding a recognised
// picture): its cell is then done, empty when the picture cannot be read; false when the
// column's text is to be drawn instead.
bool DrawColumnPicture(QPainter& Canvas, const QRect& ARect, TZColumn* Column);

} // namespace zdb
