#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class TEmbeddedWB;

// The preview file of the given number (1 to 3) in the per-user cache folder. The preview files
// have a folder of their own: a previewed page can see the folder it is shown from.
QString PreviewFilePath(int number);

// Shows the HTML Text in Browser through a preview file and returns the file written. With a
// BaseFile (a file, or the URL a downloaded page came from), the text is wrapped in a BASE
// element naming it, so that the page's relative addresses resolve against the document's own
// place. The file holds the page in Encode's bytes (UTF-8 without one), so that a page in
// another encoding shows as it declares. "Temp1.html" is written, else "Temp2.html", else
// "Temp3.html"; when none can be written the error of the last one is thrown and the browser
// keeps its page. A Refresh keeps the browser's scroll position (TEmbeddedWB::Refresh).
QString ShowHtmlPreview(TEmbeddedWB& browser, const QString& text, const QString& baseFile,
                        const std::function<QByteArray(const QString&)>& encode = {},
                        bool refresh = false);
