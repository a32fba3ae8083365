// Our editor beside two peer editor components, QScintilla and Qt's QPlainTextEdit, on the same
// generated files in the same run: a 1,000,000-line HTML file (about 50 MB), one 5 MB line of
// HTML and one 5 MB line of minified JavaScript. The parent process writes the files, then runs
// every (editor, file) pair in a child process of its own, so that the resident memory of one
// editor never counts for another and a workload that stalls costs only its own cap. Each child
// prints "R <key> <value>" lines; the parent prints one table: workload, ours, QScintilla,
// QPlainTextEdit, a plain read of the file's bytes (the floor for any open), ours / faster peer.
//
// Start-up: the main window started on a 100-line HTML file, from the process start to its
// first paint of the file's text, beside bare Qt windows holding one QScintilla or one
// QPlainTextEdit with the same file, each started several times. "--startup-only" runs just
// these start-up rows.
#include "app/TFormGlyphon.h"
#include "bench/GeneratedHtml.h"
#include "bench/GeneratedSources.h"
#include "common/AppTitle.h"
#include "common/CommandLine.h"
#include "common/ProgramStyle.h"
#include "editor/GlyphEditViewLink.h"
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditFindReplace.h"
#include "editor/TGlyphEditHighlighting.h"
#include "editor/TGlyphEditView.h"
#include "highlight/TGlyphCssHighlighter.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "highlight/TGlyphJScriptHighlighter.h"
#include "highlight/TGlyphPHPHighlighter.h"
#include "highlight/TGlyphVBScriptHighlighter.h"
#include "net/TFormDownload.h"

#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int HtmlLines = 1'000'000;
constexpr qint64 SingleLineBytes = 5 * 1024 * 1024;
constexpr int Keystrokes = 1000;
constexpr int Pages = 2000;          // page-downs per run; the whole file would take too long
constexpr double CapSeconds = 30.0;  // per workload
constexpr double ChildTimeout = 400; // per (editor, file) child, in seconds
constexpr int StartupLines = 100;
constexpr int StartupRuns = 10;
constexpr double StartupTimeout = 60; // per start, in seconds
const QString CommonWord = QStringLiteral("document");
const QString Replacement = QStringLiteral("page");

// ---------------------------------------------------------------------------------------------
// Generated files

void WriteHtmlFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(name));
    file.write("<html>\n<head><title>Generated</title></head>\n<body>\n");
    for (int i = 3; i < HtmlLines - 2; ++i)
        file.write(BodyLine(i) + '\n');
    file.write("</body>\n</html>\n");
}

void WriteSingleLineFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(name));
    QByteArray line = "<html><body>";
    for (int i = 0; line.size() < SingleLineBytes; ++i)
        line += BodyLine(i).trimmed();
    line += "</body></html>\n";
    file.write(line);
}

void WriteScriptLineFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(name));
    file.write(OneLineOf(ScriptStatement, SingleLineBytes).toUtf8() + '\n');
}

// A page that holds style sheets and scripts: every tenth line inside a <style> or <script>
// block, the rest as in the HTML file. The middle line, where the typing rows type, is inside a
// script.
QByteArray MixedLine(int i) {
    switch (i % 20) {
    case 8:
        return "  <style type=\"text/css\">p.row { color: #336; margin: 0 2px } /* row " +
               QByteArray::number(i) + " */";
    case 9:
        return "  </style><p style=\"color:red\">styled document</p>";
    case 18:
        return "  <script>var n" + QByteArray::number(i) +
               " = document.getElementById(\"d\"); // the document";
    case 19:
        return "  if (n) { n.title = 'x'; }</script><b onclick=\"f(1)\">b</b>";
    default:
        return BodyLine(i);
    }
}

void WriteMixedFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(name));
    file.write("<html>\n<head><title>Generated</title></head>\n<body>\n");
    for (int i = 3; i < HtmlLines - 2; ++i)
        file.write(MixedLine(i) + '\n');
    file.write("</body>\n</html>\n");
}

void WriteMixedSingleLineFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(name));
    QByteArray line = "<html><body>";
    for (int i = 0; line.size() < SingleLineBytes; ++i)
        line += MixedLine(i).trimmed();
    line += "</body></html>\n";
    file.write(line);
}

// The page the start-up is measured with.
void WriteStartupFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(name));
    file.write("<html>\n<head><title>Generated</title></head>\n<body>\n");
    for (int i = 3; i < StartupLines - 2; ++i)
        file.write(BodyLine(i) + '\n');
    file.write("</body>\n</html>\n");
}

// The generated files, written into `folder`.
struct TGeneratedFiles {
    QString Lines;
    QString SingleLine;
    QString ScriptLine;
    QString Startup;
    QString MixedLines;
    QString MixedSingleLine;
};

TGeneratedFiles WriteGeneratedFiles(const QString& folder) {
    const QDir dir(folder);
    const TGeneratedFiles files{dir.filePath(QStringLiteral("lines.html")),
                                dir.filePath(QStringLiteral("single-line.html")),
                                dir.filePath(QStringLiteral("single-line.js")),
                                dir.filePath(QStringLiteral("page.html")),
                                dir.filePath(QStringLiteral("mixed-lines.html")),
                                dir.filePath(QStringLiteral("mixed-single-line.html"))};
    WriteHtmlFile(files.Lines);
    WriteSingleLineFile(files.SingleLine);
    WriteScriptLineFile(files.ScriptLine);
    WriteStartupFile(files.Startup);
    WriteMixedFile(files.MixedLines);
    WriteMixedSingleLineFile(files.MixedSingleLine);
    return files;
}

bool IsScript(const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".js"));
}

// What the comment workload types at the start of the file: a comment opener of its language.
QString CommentOpener(const QString& fileName) {
    return IsScript(fileName) ? QStringLiteral("/*") : QStringLiteral("<!--");
}

// ---------------------------------------------------------------------------------------------
// Child side: measuring one editor on one file

void Report(const char* key, double value) {
    std::printf("R %s %.9g\n", key, value);
    std::fflush(stdout);
}

void ReportCapped(const char* key, double seconds) {
    std::printf("C %s %.9g\n", key, seconds);
    std::fflush(stdout);
}

// CPU seconds of this process (every thread): beside the wall-clock figures, what a workload
// cost when other processes share the cores.
double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Resident bytes of this process.
double ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * double(sysconf(_SC_PAGESIZE)) : 0;
}

// Ends the process with a "capped" line when a workload runs past its cap: the workloads that
// cannot be stopped from inside (replace all of our editor) end the child this way.
class TWatchdog {
public:
    explicit TWatchdog(const char* key) : key_(key), thread_([this] { Watch(); }) {}
    ~TWatchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

private:
    void Watch() {
        std::unique_lock lock(mutex_);
        if (!wake_.wait_for(lock, std::chrono::duration<double>(CapSeconds * 2),
                            [this] { return done_; })) {
            ReportCapped(key_, CapSeconds * 2);
            std::_Exit(0);
        }
    }
    const char* key_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

// What the workloads need of an editor widget.
class TPeer {
public:
    virtual ~TPeer() = default;
    virtual QWidget* Widget() = 0;
    virtual QWidget* PaintTarget() = 0;
    virtual void Open(const QString& fileName) = 0;
    // Caret at a 1-based line and column.
    virtual void PlaceCaret(int line, int column) = 0;
    virtual int LineCount() = 0;
    virtual int LineLength(int line) = 0;
    // Replaces every CommonWord; false when the cap stopped it.
    virtual bool ReplaceAll(double capSeconds) = 0;
};

class TOurs : public TPeer {
public:
    TOurs() : highlighting_(edit_), view_(edit_) {
        ApplyMainWindowEditorSettings(edit_);
        LinkHighlightingToView(highlighting_, view_, edit_);
        // As in the main window: style sheets and scripts in their own languages.
        html_.SetEmbeddedLanguages({&css_, &js_, &vbs_, &php_});
        highlighting_.SetHighlighter(&html_);
        view_.SetHighlighter(&html_);
        view_.SetBorderStyle(bsNone);
        view_.Gutter().SetShowLineNumbers(true);
    }
    ~TOurs() override {
        highlighting_.SetHighlighter(nullptr);
        view_.SetHighlighter(nullptr);
    }
    QWidget* Widget() override { return &view_; }
    QWidget* PaintTarget() override { return view_.viewport(); }
    void Open(const QString& fileName) override {
        // The highlighter the main window chooses by the file's extension.
        if (IsScript(fileName)) {
            highlighting_.SetHighlighter(&js_);
            view_.SetHighlighter(&js_);
        }
        edit_.Lines().LoadFile(fileName);
    }
    void PlaceCaret(int line, int column) override { edit_.SetCaretXY({column, line}); }
    int LineCount() override { return edit_.LineCount(); }
    int LineLength(int line) override { return int(edit_.LineText(line).size()); }
    bool ReplaceAll(double) override {
        TGlyphEditFindReplace finder(edit_);
        finder.FindAndReplace(CommonWord, Replacement,
                              SearchReplaceAll | SearchEntireText | SearchMatchCase);
        return true;
    }

private:
    TGlyphEdit edit_;
    TGlyphHTMLHighlighter html_;
    TGlyphJScriptHighlighter js_;
    TGlyphCssHighlighter css_;
    TGlyphVBScriptHighlighter vbs_;
    TGlyphPHPHighlighter php_;
    TGlyphEditHighlighting highlighting_;
    TGlyphEditView view_;
};

class TScintilla : public TPeer {
public:
    QWidget* Widget() override { return &editor_; }
    QWidget* PaintTarget() override { return editor_.viewport(); }
    void Open(const QString& fileName) override {
        if (IsScript(fileName))
            editor_.setLexer(&jsLexer_);
        else
            editor_.setLexer(&htmlLexer_);
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly) || !editor_.read(&file))
            qFatal("QScintilla cannot read %s", qPrintable(fileName));
    }
    void PlaceCaret(int line, int column) override {
        editor_.setCursorPosition(line - 1, column - 1);
    }
    int LineCount() override { return editor_.lines(); }
    int LineLength(int line) override { return editor_.lineLength(line - 1); }
    bool ReplaceAll(double capSeconds) override {
        QElapsedTimer clock;
        clock.start();
        editor_.beginUndoAction();
        bool found = editor_.findFirst(CommonWord, false, true, false, false, true, 0, 0, false);
        while (found) {
            editor_.replace(Replacement);
            if (clock.elapsed() > capSeconds * 1000) {
                editor_.endUndoAction();
                return false;
            }
            found = editor_.findNext();
        }
        editor_.endUndoAction();
        return true;
    }

private:
    QsciScintilla editor_;
    QsciLexerHTML htmlLexer_;
    QsciLexerJavaScript jsLexer_;
};

class TPlain : public TPeer {
public:
    TPlain() { editor_.setLineWrapMode(QPlainTextEdit::NoWrap); }
    QWidget* Widget() override { return &editor_; }
    QWidget* PaintTarget() override { return editor_.viewport(); }
    void Open(const QString& fileName) override {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(fileName));
        editor_.setPlainText(QString::fromUtf8(file.readAll()));
    }
    void PlaceCaret(int line, int column) override {
        QTextCursor cursor(editor_.document()->findBlockByNumber(line - 1));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column - 1);
        editor_.setTextCursor(cursor);
    }
    int LineCount() override { return editor_.document()->blockCount(); }
    int LineLength(int line) override {
        return int(editor_.document()->findBlockByNumber(line - 1).length() - 1);
    }
    bool ReplaceAll(double capSeconds) override {
        QElapsedTimer clock;
        clock.start();
        QTextDocument* document = editor_.document();
        QTextCursor edit(document);
        edit.beginEditBlock();
        QTextCursor found = document->find(CommonWord, 0, QTextDocument::FindCaseSensitively);
        while (!found.isNull()) {
            found.insertText(Replacement);
            if (clock.elapsed() > capSeconds * 1000) {
                edit.endEditBlock();
                return false;
            }
            found = document->find(CommonWord, found, QTextDocument::FindCaseSensitively);
        }
        edit.endEditBlock();
        return true;
    }

private:
    QPlainTextEdit editor_;
};

std::unique_ptr<TPeer> MakePeer(const QString& name) {
    if (name == u"ours")
        return std::make_unique<TOurs>();
    if (name == u"qsci")
        return std::make_unique<TScintilla>();
    return std::make_unique<TPlain>();
}

void Paint(TPeer& peer) {
    peer.PaintTarget()->repaint();
    QCoreApplication::processEvents();
}

void Key(TPeer& peer, int key, const QString& text = QString(),
         Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(peer.Widget(), &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(peer.Widget(), &release);
}

// One keystroke from the event to the finished repaint, in seconds.
double TimedKey(TPeer& peer, int key, const QString& text = QString()) {
    QElapsedTimer clock;
    clock.start();
    Key(peer, key, text);
    Paint(peer);
    return double(clock.nsecsElapsed()) * 1e-9;
}

void ReportSpread(const QByteArray& key, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) {
        return times[std::min(times.size() - 1, size_t(q * double(times.size())))];
    };
    Report((key + "_median").constData(), at(0.5));
    Report((key + "_p99").constData(), at(0.99));
    Report((key + "_worst").constData(), times.back());
    Report((key + "_count").constData(), double(times.size()));
}

// Types one character at a time at a fixed place; stops early at the cap.
void TypeAt(TPeer& peer, const QByteArray& key, int line, int column) {
    peer.PlaceCaret(line, column);
    Paint(peer);
    std::vector<double> times;
    double total = 0;
    for (int k = 0; k < Keystrokes && total < CapSeconds; ++k) {
        times.push_back(TimedKey(peer, Qt::Key_A + k % 26, QString(QChar(u'a' + k % 26))));
        total += times.back();
    }
    ReportSpread(key, times);
}

// `only`: the workloads to run after the open (type, comment, scroll, end, replace); empty, all.
int RunChild(const QString& editor, const QString& fileName, const QStringList& only) {
    const auto runs = [&only](const char* workload) {
        return only.isEmpty() || only.contains(QLatin1String(workload));
    };
    std::unique_ptr<TPeer> peer = MakePeer(editor);
    QWidget* widget = peer->Widget();
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    widget->setFont(font);
    widget->resize(1000, 700);
    widget->show();
    Paint(*peer);

    // (1) open, (6) memory
    const double residentBefore = ResidentBytes();
    {
        TWatchdog watchdog("open");
        QElapsedTimer clock;
        clock.start();
        const double cpu = ProcessCpuSeconds();
        peer->Open(fileName);
        Paint(*peer);
        Report("open", double(clock.nsecsElapsed()) * 1e-9);
        Report("open_cpu", ProcessCpuSeconds() - cpu);
    }
    Report("memory", ResidentBytes() - residentBefore);
    Report("lines", peer->LineCount());

    // (2) typing at the first line and in the middle (of the lines, or of the single line)
    if (runs("type")) {
        TWatchdog watchdog("type_first_median");
        TypeAt(*peer, "type_first", 1, 1);
    }
    if (runs("type")) {
        TWatchdog watchdog("type_middle_median");
        const int lines = peer->LineCount();
        if (lines > 1)
            TypeAt(*peer, "type_middle", lines / 2, 3);
        else
            TypeAt(*peer, "type_middle", 1, peer->LineLength(1) / 2);
    }

    // (3) open a comment at line 1, then take it back
    if (runs("comment")) {
        TWatchdog watchdog("comment_worst");
        peer->PlaceCaret(1, 1);
        Paint(*peer);
        std::vector<double> times;
        const QString opener = CommentOpener(fileName);
        for (const QChar c : opener) {
            const int key = c == u'<'   ? Qt::Key_Less
                            : c == u'!' ? Qt::Key_Exclam
                            : c == u'/' ? Qt::Key_Slash
                            : c == u'*' ? Qt::Key_Asterisk
                                        : Qt::Key_Minus;
            times.push_back(TimedKey(*peer, key, QString(c)));
        }
        for (qsizetype k = 0; k < opener.size(); ++k)
            times.push_back(TimedKey(*peer, Qt::Key_Backspace));
        ReportSpread("comment", times);
    }

    // (4) paging down from the top, then to the end
    if (runs("scroll")) {
        TWatchdog watchdog("scroll");
        peer->PlaceCaret(1, 1);
        Paint(*peer);
        QElapsedTimer clock;
        clock.start();
        const double cpu = ProcessCpuSeconds();
        int pages = 0;
        if (peer->LineCount() > 1) {
            for (; pages < Pages && clock.elapsed() < CapSeconds * 1000; ++pages) {
                Key(*peer, Qt::Key_PageDown);
                Paint(*peer);
            }
            if (pages < Pages) {
                ReportCapped("scroll", CapSeconds);
            } else {
                Report("scroll", double(clock.nsecsElapsed()) * 1e-9);
                Report("scroll_cpu", ProcessCpuSeconds() - cpu);
            }
            Report("scroll_pages", pages);
        }
    }
    if (runs("end")) {
        TWatchdog watchdog("jump_end");
        QElapsedTimer clock;
        clock.start();
        Key(*peer, Qt::Key_End, QString(), Qt::ControlModifier);
        Paint(*peer);
        Report("jump_end", double(clock.nsecsElapsed()) * 1e-9);
    }

    // (5) replace all, last because our editor can only be stopped by ending the process
    if (runs("replace")) {
        TWatchdog watchdog("replace");
        QElapsedTimer clock;
        clock.start();
        const double cpu = ProcessCpuSeconds();
        const bool finished = peer->ReplaceAll(CapSeconds);
        Paint(*peer);
        if (finished) {
            Report("replace", double(clock.nsecsElapsed()) * 1e-9);
            Report("replace_cpu", ProcessCpuSeconds() - cpu);
        } else
            ReportCapped("replace", CapSeconds);
    }
    std::fflush(stdout);
    std::_Exit(0); // the 50 MB teardown measures nothing
}

// ---------------------------------------------------------------------------------------------
// Child side: the plain read and the start-up

// Reads the file's bytes into memory and does nothing else: the floor of any open.
int RunPlainRead(const QString& fileName) {
    const double residentBefore = ResidentBytes();
    QElapsedTimer clock;
    clock.start();
    const double cpu = ProcessCpuSeconds();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(fileName));
    const QByteArray bytes = file.readAll();
    Report("open", double(clock.nsecsElapsed()) * 1e-9);
    Report("open_cpu", ProcessCpuSeconds() - cpu);
    Report("memory", ResidentBytes() - residentBefore);
    Report("bytes", double(bytes.size()));
    std::_Exit(0);
}

// The monotonic clock, which every process of the machine reads alike.
qint64 MonotonicNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Notes the first paint of `target` once `ready` says the file's text is there to be painted.
class TFirstPaintSpy : public QObject {
public:
    TFirstPaintSpy(QWidget* target, std::function<bool()> ready)
        : target_(target), ready_(std::move(ready)) {
        target_->installEventFilter(this);
    }
    bool Painted() const { return painted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == target_ && event->type() == QEvent::Paint && ready_())
            painted_ = true;
        return false;
    }

private:
    QWidget* target_;
    std::function<bool()> ready_;
    bool painted_ = false;
};

// A bare window holding one peer editor with the file's text, built the way a small Qt program
// would; its editor's viewport is the paint waited for.
std::unique_ptr<QWidget> BarePeerWindow(const QString& editor, const QString& fileName,
                                        QWidget*& target) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(fileName));
    const QString text = QString::fromUtf8(file.readAll());
    auto window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    if (editor == u"qsci") {
        auto* scintilla = new QsciScintilla;
        scintilla->setLexer(new QsciLexerHTML(scintilla));
        scintilla->setText(text);
        layout->addWidget(scintilla);
        target = scintilla->viewport();
    } else {
        auto* plain = new QPlainTextEdit;
        plain->setLineWrapMode(QPlainTextEdit::NoWrap);
        plain->setPlainText(text);
        layout->addWidget(plain);
        target = plain->viewport();
    }
    return window;
}

// Starts one editor in a window on `fileName` (ours: the main window, as the program's entry
// makes it, opening the file named on its command line at its first paint) and reports the
// time from `startNs`, the parent's clock just before it started this process, to the end of
// the first paint that shows the file's text.
int RunStartup(const QString& editor, const QString& fileName, qint64 startNs) {
    std::unique_ptr<QWidget> window;
    std::unique_ptr<TFormDownload> download;
    QWidget* target = nullptr;
    std::function<bool()> ready = [] { return true; };
    if (editor == u"ours") {
        QApplication::setApplicationName(ApplicationTitle());
        QApplication::setOrganizationName(MakerName());
        SetCommandLineArgs({QCoreApplication::applicationFilePath(), fileName});
        InstallProgramStyle();
        auto form = std::make_unique<TFormGlyphon>();
        download = std::make_unique<TFormDownload>();
        target = form->GlyphEditView->viewport();
        const QString wanted = QFileInfo(fileName).absoluteFilePath();
        ready = [f = form.get(), wanted] {
            return QFileInfo(f->DocumentFileName).absoluteFilePath() == wanted;
        };
        window = std::move(form);
    } else {
        window = BarePeerWindow(editor, fileName, target);
    }
    const TFirstPaintSpy spy(target, ready);
    window->resize(800, 600);
    window->show();
    while (!spy.Painted())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Report("startup", double(MonotonicNanoseconds() - startNs) * 1e-9);
    std::_Exit(0);
}

// ---------------------------------------------------------------------------------------------
// Parent side: the table

struct TCell {
    bool Present = false;
    bool Capped = false;
    double Value = 0;
};

using TResults = QMap<QString, TCell>; // by key

// The "R" and "C" lines a child printed.
TResults ParseResults(const QByteArray& output) {
    TResults results;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() != 3 || (fields[0] != "R" && fields[0] != "C"))
            continue;
        results[QString::fromLatin1(fields[1])] = {true, fields[0] == "C", fields[2].toDouble()};
    }
    return results;
}

// Waits for a started child and answers what it reported; a child still running after
// `timeoutSeconds` is ended.
TResults RunChildProcess(QProcess& child, double timeoutSeconds) {
    child.waitForFinished(int(timeoutSeconds * 1000));
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished();
    }
    return ParseResults(child.readAllStandardOutput());
}

TResults RunEditor(const QString& program, const QString& editor, const QString& fileName) {
    std::fprintf(stderr, "  %s on %s ...\n", qPrintable(editor),
                 qPrintable(QFileInfo(fileName).fileName()));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--child"), editor, fileName});
    return RunChildProcess(child, ChildTimeout);
}

// Starts each editor StartupRuns times in turn on the start-up file, with every per-user folder
// in `home` so that no one's own settings count; the median and
// the fastest start of each, in seconds, as "startup_median" and "startup_fastest".
QList<TResults> RunStartups(const QString& program, const QStringList& editors,
                            const QString& fileName, const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                             "XDG_RUNTIME_DIR"}) {
        const QString folder = home + u'/' + QString::fromLatin1(name);
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(name), folder);
    }
    QList<std::vector<double>> times(editors.size());
    for (int run = 0; run < StartupRuns; ++run) {
        for (int e = 0; e < editors.size(); ++e) {
            std::fprintf(stderr, "  start-up of %s, %d of %d ...\n", qPrintable(editors[e]),
                         run + 1, StartupRuns);
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.setProcessEnvironment(environment);
            const QStringList head = {QStringLiteral("--startup"), editors[e], fileName};
            const qint64 start = MonotonicNanoseconds();
            child.start(program, head + QStringList{QString::number(start)});
            const TCell cell =
                RunChildProcess(child, StartupTimeout).value(QStringLiteral("startup"));
            if (cell.Present)
                times[e].push_back(cell.Value);
        }
    }
    QList<TResults> results;
    for (std::vector<double>& t : times) {
        TResults r;
        if (!t.empty()) {
            std::sort(t.begin(), t.end());
            r[QStringLiteral("startup_median")] = {true, false, t[t.size() / 2]};
            r[QStringLiteral("startup_fastest")] = {true, false, t.front()};
        }
        results << r;
    }
    return results;
}

struct TRow {
    const char* Label; // "%opener" stands for the file's comment opener
    const char* Key;
    enum TUnit { Seconds, Milliseconds, MegaBytes, BytesPerLine, TimesFile } Unit;
};

QString Format(const TCell& cell, TRow::TUnit unit, double fileBytes, double lines) {
    if (!cell.Present)
        return QStringLiteral("-");
    double v = cell.Value;
    switch (unit) {
    case TRow::Seconds:
        break;
    case TRow::Milliseconds:
        v *= 1e3;
        break;
    case TRow::MegaBytes:
        v /= 1024.0 * 1024.0;
        break;
    case TRow::BytesPerLine:
        v /= lines;
        break;
    case TRow::TimesFile:
        v /= fileBytes;
        break;
    }
    const QString number = QString::number(v, 'f', v < 10 ? 2 : (v < 100 ? 1 : 0));
    return cell.Capped ? QStringLiteral("> ") + number : number;
}

QString Ratio(const TCell& ours, const TCell& a, const TCell& b) {
    const TCell* faster = nullptr;
    for (const TCell* peer : {&a, &b}) {
        if (peer->Present && !peer->Capped && (!faster || peer->Value < faster->Value))
            faster = peer;
    }
    if (!ours.Present || !faster || faster->Value <= 0)
        return QStringLiteral("-");
    const QString number = QString::number(ours.Value / faster->Value, 'f', 2);
    return ours.Capped ? QStringLiteral("> ") + number : number;
}

// One table row: ours, QScintilla, QPlainTextEdit, the plain read, ours / faster peer (the
// plain read is a floor, not a peer).
void PrintRow(const QString& label, const QList<TResults>& results, const QString& key,
              TRow::TUnit unit, double fileBytes, double lines) {
    QStringList cells;
    for (const TResults& r : results)
        cells << Format(r.value(key), unit, fileBytes, lines);
    while (cells.size() < 4)
        cells << QStringLiteral("-");
    std::printf(
        "| %s | %s | %s | %s | %s | %s |\n", qPrintable(label), qPrintable(cells[0]),
        qPrintable(cells[1]), qPrintable(cells[2]), qPrintable(cells[3]),
        qPrintable(Ratio(results[0].value(key), results[1].value(key), results[2].value(key))));
}

// Starts every editor on the start-up file and prints the two start-up rows.
void PrintStartupRows(const QString& program, const QStringList& editors, const QString& fileName,
                      const QString& home) {
    const QList<TResults> startups = RunStartups(program, editors, fileName, home);
    std::printf("| **start-up with a %d-line HTML file** (%.1f KB) | | | | | |\n", StartupLines,
                double(QFileInfo(fileName).size()) / 1024.0);
    PrintRow(
        QStringLiteral("process start to first painted window, median of %1 (ms)").arg(StartupRuns),
        startups, QStringLiteral("startup_median"), TRow::Milliseconds, 0, 0);
    PrintRow(QStringLiteral("process start to first painted window, fastest of %1 (ms)")
                 .arg(StartupRuns),
             startups, QStringLiteral("startup_fastest"), TRow::Milliseconds, 0, 0);
    std::fflush(stdout);
}

// Only the start-up rows, for measuring start-up alone without the long workloads.
int RunStartupsOnly(const QString& program) {
    QTemporaryDir dir;
    const QString fileName = QDir(dir.path()).filePath(QStringLiteral("page.html"));
    WriteStartupFile(fileName);
    std::printf("| Workload | Ours | QScintilla | QPlainTextEdit | Plain read | Ours / faster peer "
                "|\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    PrintStartupRows(program,
                     {QStringLiteral("ours"), QStringLiteral("qsci"), QStringLiteral("plain")},
                     fileName, dir.path());
    return 0;
}

int RunParent(const QString& program) {
    QTemporaryDir dir;
    std::fprintf(stderr, "writing the generated files ...\n");
    const TGeneratedFiles files = WriteGeneratedFiles(dir.path());

    const std::vector<TRow> rows = {
        {"open to painted first screen (ms)", "open", TRow::Milliseconds},
        {"type at line 1, median (ms)", "type_first_median", TRow::Milliseconds},
        {"type at line 1, p99 (ms)", "type_first_p99", TRow::Milliseconds},
        {"type at line 1, worst (ms)", "type_first_worst", TRow::Milliseconds},
        {"type in the middle, median (ms)", "type_middle_median", TRow::Milliseconds},
        {"type in the middle, p99 (ms)", "type_middle_p99", TRow::Milliseconds},
        {"type in the middle, worst (ms)", "type_middle_worst", TRow::Milliseconds},
        {"\"%opener\" and back, median key (ms)", "comment_median", TRow::Milliseconds},
        {"\"%opener\" and back, worst key (ms)", "comment_worst", TRow::Milliseconds},
        {"2,000 page downs (ms)", "scroll", TRow::Milliseconds},
        {"jump to the end (ms)", "jump_end", TRow::Milliseconds},
        {"replace all \"document\" (ms)", "replace", TRow::Milliseconds},
        {"resident memory after open (MB)", "memory", TRow::MegaBytes},
        {"  per line (bytes)", "memory", TRow::BytesPerLine},
        {"  as a multiple of the file size", "memory", TRow::TimesFile},
    };
    const QStringList editors = {QStringLiteral("ours"), QStringLiteral("qsci"),
                                 QStringLiteral("plain")};
    const QString plainRead = QStringLiteral("read");

    std::printf("| Workload | Ours | QScintilla | QPlainTextEdit | Plain read | Ours / faster peer "
                "|\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    const QList<QPair<QString, const char*>> workloads = {
        {files.Lines, "1,000,000-line HTML"},
        {files.SingleLine, "single 5 MB line of HTML"},
        {files.ScriptLine, "single 5 MB line of minified JavaScript"},
        {files.MixedLines, "1,000,000-line HTML, every tenth line in <style> or <script>"},
        {files.MixedSingleLine, "single 5 MB line of HTML with CSS and JavaScript"}};
    QStringList notes;
    for (const auto& [file, title] : workloads) {
        const double fileBytes = double(QFileInfo(file).size());
        QList<TResults> results;
        for (const QString& editor : editors)
            results << RunEditor(program, editor, file);
        results << RunEditor(program, plainRead, file);
        const double lines = std::max(1.0, results[0].value(QStringLiteral("lines")).Value);
        std::printf("| **%s** (%.1f MB, %.0f lines) | | | | | |\n", title,
                    fileBytes / (1024.0 * 1024.0), lines);
        for (const TRow& row : rows) {
            const QString key = QString::fromLatin1(row.Key);
            if (lines <= 1 && key == u"scroll")
                continue; // one line has no pages
            QString label = QString::fromLatin1(row.Label);
            label.replace(QStringLiteral("%opener"), CommentOpener(file));
            PrintRow(label, results, key, row.Unit, fileBytes, lines);
        }
        // Keystroke runs cut short by the cap are named, so that a median of fewer keys shows.
        const QString name = QFileInfo(file).fileName();
        for (int e = 0; e < editors.size(); ++e) {
            for (const char* key : {"type_first_count", "type_middle_count"}) {
                const TCell count = results[e].value(QString::fromLatin1(key));
                if (count.Present && count.Value < Keystrokes)
                    notes << QStringLiteral("%1 on %2, %3: only %4 of %5 keystrokes within %6 s.")
                                 .arg(editors[e], name, QString::fromLatin1(key))
                                 .arg(count.Value)
                                 .arg(Keystrokes)
                                 .arg(CapSeconds);
            }
            const TCell pages = results[e].value(QStringLiteral("scroll_pages"));
            if (lines > 1 && pages.Present && pages.Value < Pages)
                notes << QStringLiteral("%1 on %2 paged down only %3 of %4 pages within %5 s.")
                             .arg(editors[e], name)
                             .arg(pages.Value)
                             .arg(Pages)
                             .arg(CapSeconds);
        }
        std::fflush(stdout);
    }

    PrintStartupRows(program, editors, files.Startup, dir.path());

    std::printf("\n\"> N\": stopped at the cap of %.0f s per workload (or ended by the "
                "watchdog at %.0f s). Page downs: a fixed %d pages from the top, not the whole "
                "file. QPlainTextEdit runs without highlighting and without line wrapping. Plain "
                "read: the file's bytes read into memory, nothing else. Start-up: ours is the "
                "main window opening the file named on its command line; the peers are bare Qt "
                "windows holding one editor with the file's text.",
                CapSeconds, CapSeconds * 2, Pages);
    for (const QString& note : notes)
        std::printf(" %s", qPrintable(note));
    std::printf("\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == u"--child" && args[2] == u"read")
        return RunPlainRead(args[3]);
    // A list of workloads after the file runs only those, for timing or profiling one row:
    // "--child ours FILE end,replace".
    if ((args.size() == 4 || args.size() == 5) && args[1] == u"--child")
        return RunChild(args[2], args[3],
                        args.size() == 5 ? args[4].split(u',', Qt::SkipEmptyParts) : QStringList());
    if (args.size() == 5 && args[1] == u"--startup")
        return RunStartup(args[2], args[3], args[4].toLongLong());
    // The same files kept in a folder, for profiling one editor on one workload with --child.
    if (args.size() == 3 && args[1] == u"--generate") {
        WriteGeneratedFiles(args[2]);
        return 0;
    }
    if (args.size() == 2 && args[1] == u"--startup-only")
        return RunStartupsOnly(QCoreApplication::applicationFilePath());
    return RunParent(QCoreApplication::applicationFilePath());
}
