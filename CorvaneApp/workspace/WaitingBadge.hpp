#pragma once

#include <cstdint>
#include <vector>

#include "CorvaneApp/workspace/PracticeOverlayBadge.hpp"

namespace corvane {

// "Toque C4 + E4 + G4 para continuar" in a capsule near the bottom of the
// stage while wait mode holds the song; rises from the bottom as it comes.
class WaitingBadge : public PracticeOverlayBadge {
    Q_OBJECT
public:
    explicit WaitingBadge(QWidget* parent = nullptr);

    void setNotes(const std::vector<std::uint8_t>& notes);
    const QString& title() const { return title_; }

    QSize sizeHint() const override;

protected:
    QPainterPath panelShape(const QRectF& rect) const override;
    void applyPresence(QPainter& painter, double presence) const override;
    void paintContent(QPainter& painter) const override;

private:
    QString title_;
};

} // namespace corvane
