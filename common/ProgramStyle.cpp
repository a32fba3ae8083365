#include "common/ProgramStyle.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QProxyStyle>
#include <algorithm>

namespace {

// Two chevrons pointing where the hidden items are: right (left in right-to-left layouts) for
// a horizontal bar, down for a vertical one; in the palette's text colour for the icon's mode.
class TOverflowIcon : public QIconEngine {
public:
    explicit TOverflowIcon(bool horizontal) : horizontal_(horizontal) {}

    QIconEngine* clone() const override { return new TOverflowIcon(*this); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QPalette palette = QGuiApplication::palette();
        const QColor colour = palette.color(
            mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active, QPalette::ButtonText);
        const qreal side = std::min(rect.width(), rect.height());
        const qreal unit = side / 8;
        QPainterPath path;
        for (int i = 0; i < 2; ++i) {
            const qreal at = unit * (1.5 + 3 * i);
            path.moveTo(at, unit * 1.5);
            path.lineTo(at + unit * 2, side / 2);
            path.lineTo(at, side - unit * 1.5);
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.center() - QPointF(side / 2, side / 2) + QPointF(0.5, 0.5));
        if (!horizontal_) {
            painter->translate(side, 0);
            painter->rotate(90);
        } else if (QGuiApplication::isRightToLeft()) {
            painter->translate(side, 0);
            painter->scale(-1, 1);
        }
        painter->setPen(
            QPen(colour, std::max<qreal>(1, unit), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->drawPath(path);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, pixmap.rect(), mode, state);
        return pixmap;
    }

    QString key() const override { return QStringLiteral("TOverflowIcon"); }

private:
    bool horizontal_;
};

class TProgramStyle : public QProxyStyle {
public:
    QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                       const QWidget* widget) const override {
        if (which == SP_ToolBarHorizontalExtensionButton ||
            which == SP_ToolBarVerticalExtensionButton)
            return QIcon(new TOverflowIcon(which == SP_ToolBarHorizontalExtensionButton));
        return QProxyStyle::standardIcon(which, option, widget);
    }
};

} // namespace

void InstallProgramStyle() {
    QApplication::setStyle(new TProgramStyle);
}
