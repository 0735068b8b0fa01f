#pragma once

#include <QWidget>

namespace corvane {

// Plain black over the whole of `part`, for a screen just put together:
// an opaque child is painted instead of the part and its other children,
// so the part's first painting waits until the cover is deleted. It lets the
// mouse through, follows the part's size and stays above children added later.
class PaintingCover : public QWidget {
    Q_OBJECT
public:
    explicit PaintingCover(QWidget* part);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace corvane
