#include "editor/GlyphEditViewLink.h"

#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditHighlighting.h"
#include "editor/TGlyphEditView.h"

void LinkHighlightingToView(TGlyphEditHighlighting& highlighting, TGlyphEditView& view,
                            TCustomGlyphEdit& edit) {
    highlighting.OnRepaint = [&view](int first, int last) { view.InvalidateLines(first, last); };
    highlighting.ScanLimit = [&edit, &view] { return edit.TopLine() - 1 + view.VisibleRows(); };
    view.OnPrepareLines = [&highlighting](int lastLine) {
        highlighting.EnsureScanned(lastLine - 1);
    };
    view.OnScanWindow = [&highlighting](int index, int first, int last) {
        return highlighting.ScanWindow(index, first, last);
    };
    highlighting.SetBackgroundScan(true);
}
