#pragma once

#include "GlyphEditTestSupport.h"

#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditView.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace GlyphEditViewTest {

// The main window's view settings: text font height 13, gutter with line numbers in a
// "Terminal" font of height 11 and offsets 2 and 2, no border.
inline void ConfigureMainWindowView(TGlyphEditView& view) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    view.setFont(font);
    QFont gutterFont(QStringLiteral("Terminal"));
    gutterFont.setStyleHint(QFont::TypeWriter);
    gutterFont.setPixelSize(11);
    view.Gutter().SetFont(gutterFont);
    view.Gutter().SetShowLineNumbers(true);
    view.Gutter().SetLeftOffset(2);
    view.Gutter().SetRightOffset(2);
    view.SetBorderStyle(bsNone);
}

// A shown view of the main window's kind over an editor holding `lines`.
struct ViewFixture {
    TGlyphEdit edit;
    std::unique_ptr<TGlyphEditView> view;

    explicit ViewFixture(const QStringList& lines, QSize size = QSize(420, 300)) {
        GlyphEditTest::ConfigureMainWindow(edit);
        view = std::make_unique<TGlyphEditView>(edit);
        ConfigureMainWindowView(*view);
        view->resize(size);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        GlyphEditTest::SetLines(edit, lines);
        QApplication::processEvents();
    }

    QWidget* Viewport() const { return view->viewport(); }

    // A viewport point inside the cell of display column `column` on line `line`, at
    // `fraction` of the cell's width.
    QPoint CellPoint(int column, int line, double fraction = 0.25) const {
        const int x = view->TextOrigin() + (column - 1) * view->CellWidth() +
                      static_cast<int>(fraction * view->CellWidth());
        const int y = (line - view->FirstVisibleLine()) * view->RowHeight() + view->RowHeight() / 2;
        return {x, y};
    }

    // The viewport as a full repaint draws it.
    QImage Render() const { return Viewport()->grab().toImage(); }

    void Click(QPoint point, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) const {
        QTest::mouseClick(Viewport(), button, modifiers, point);
    }

    // A real double click: press and release, then the double-click press and its release.
    void DoubleClick(QPoint point) const {
        QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QTest::mouseDClick(Viewport(), Qt::LeftButton, Qt::NoModifier, point);
        QTest::mouseRelease(Viewport(), Qt::LeftButton, Qt::NoModifier, point);
    }
};

// The pixels of one cell of the viewport image.
inline QRect CellRect(const TGlyphEditView& view, int column, int line) {
    return {view.TextOrigin() + (column - 1) * view.CellWidth(),
            (line - view.FirstVisibleLine()) * view.RowHeight(), view.CellWidth(),
            view.RowHeight()};
}

// How many pixels of `rect` satisfy `test`.
inline int CountPixels(const QImage& image, const QRect& rect,
                       const std::function<bool(QColor)>& test) {
    int count = 0;
    const QRect area = rect.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (test(image.pixelColor(x, y)))
                ++count;
        }
    }
    return count;
}

inline bool SameRgb(const QColor& a, const QColor& b) {
    return a.rgb() == b.rgb();
}

} // namespace GlyphEditViewTest
