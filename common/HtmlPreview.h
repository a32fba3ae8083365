#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class TEmbeddedWB;

// The preview file of the given number (1 to 3) in the per-user cache folder. The preview files
// have a folder of their own: a previewed page can see the folder it is shown from.
QString PreviewFilePath(int number);

// The page a preview shows for the HTML Text: with a BaseUrl (TEmbeddedWB::BaseUrl of a file,
// or the URL a downloaded page came from), the text is wrapped in a BASE element naming it, so
// that the page's relative addresses resolve against the document's own place.
QString HtmlPreviewPage(const QString& text, const QString& baseUrl);

// Writes Bytes to "Temp1.html", else "Temp2.html", else "Temp3.html" and returns the file
// written; when none can be written the error of the last one is thrown. Writes are one at a
// time, from any thread: when Superseded, asked once the files are this caller's, says that a
// newer page has taken this one's place, nothing is written and the result is empty.
QString WriteHtmlPreviewFile(const QByteArray& bytes, const std::function<bool()>& superseded = {});

// Shows the HTML Text in Browser through a preview file in UTF-8 (HtmlPreviewPage with
// BaseFile's address, WriteHtmlPreviewFile) and returns the file written. When no file can be
// written the error is thrown and the browser keeps its page.
QString ShowHtmlPreview(TEmbeddedWB& browser, const QString& text, const QString& baseFile);
