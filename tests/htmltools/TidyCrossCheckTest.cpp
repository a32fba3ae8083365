// Tidy HTML beside the tidy program (the same library) run on the same page with the same
// options written as its configuration file: the output and the messages must be the same.

#include "htmltools/TFormTidyProperties.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << text.toStdString();
}

namespace {

struct TPage {
    QString Name;
    QString Text;
};

QList<TPage> HandWrittenPages() {
    return {
        {"missing end tag", "<html><head><title>t</title></head><body><p>a <b>bold</body></html>"},
        {"clean",
         "<!DOCTYPE html>\n<html><head><title>t</title></head><body><p>x</p></body></html>\n"},
        {"broken table", "<table><tr><td>a<td>b</tr><td>c</table><p>after"},
        {"fonts",
         "<p><font face=\"Arial\" color=\"red\" size=\"4\">styled</font> <center>c</center>"},
        {"word 2000",
         "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"><body><p class=MsoNormal>"
         "x<o:p></o:p></p><![if !supportLists]>1.<![endif]></body></html>"},
        {"bad comments", "<!-- a -- b --><p>text<!--- cold fusion --->"},
        {"empty paragraphs", "<p></p><p> </p><p>full</p><p></p>"},
        {"attributes", "<DIV Class=a ID=\"b\" onclick=go()>x</div><img src=a.gif>"},
        {"script and style",
         "<head><style>p { color: red }</style><script>if (a < b && c) { x(); }</script></head>"
         "<p>x"},
        {"entities", "<p>a &amp; b &nbsp; &copy; &unknown; < > &#233;</p>"},
        {"utf-8", QString::fromUtf8("<p>Café – “quoted” € 日本語</p>")},
        {"windows-1252 letters", QString::fromUtf8("<p>Œuvre – “dash” € ÿ é</p>")},
        {"server side",
         "<?php echo \"x\"; ?>\n<html><head><title>t</title></head><body>\n<p>Hi <% = name %>\n"
         "<!--#include virtual=\"/x.inc\" -->\n<ul><?php foreach ($r as $i): ?><li><?= $i ?>"
         "<?php endforeach; ?></ul></body></html>\n"},
        {"lists", "<ul><li>a<li>b<ol><li>c</ul><dl><dt>t<dd>d"},
        {"frameset", "<html><frameset cols=\"50%,50%\"><frame src=a><frame src=b></frameset>"},
        {"empty", ""},
        {"only text", "just some text\nover two lines"},
        {"deep", QString("<div>").repeated(60) + "deep" + QString("</div>").repeated(58)},
        // Enough messages to reach the editor in several pieces.
        {"many faults", QString("<p>x & y <img src=a.gif> &bogus;\n").repeated(1500)},
    };
}

// Tag soup made from a seed: open and close tags, attributes and text in random order.
QString GeneratedPage(quint32 seed) {
    static const QStringList tags = {"p",  "div",  "b", "i",    "table", "tr", "td",  "ul",
                                     "li", "span", "a", "font", "h1",    "br", "img", "blockquote"};
    QRandomGenerator random(seed);
    QString page;
    for (int i = 0; i < 80; ++i) {
        const QString tag = tags.at(random.bounded(tags.size()));
        switch (random.bounded(4)) {
        case 0:
            page += "<" + tag + ">";
            break;
        case 1:
            page += "</" + tag + ">";
            break;
        case 2:
            page += "<" + tag + " class=c" + QString::number(i) + " href=\"x y\">";
            break;
        default:
            page += " text " + QString::number(i) + (random.bounded(3) == 0 ? "\n" : "");
        }
    }
    return page;
}

// The tidy program's configuration file for the options of a run.
QByteArray ConfigFile(const QList<TTidyOption>& options) {
    QByteArray config = "drop-proprietary-attributes: no\n";
    for (const TTidyOption& o : options) {
        const bool number = o.Name == "wrap" || o.Name == "tab-size";
        // The editor tells Tidy its text is UTF-8 both ways, whatever the user chose.
        QByteArray value = o.Name.endsWith("-encoding") ? "utf8" : o.Value;
        if (!number && (value == "0" || value == "1"))
            value = value == "1" ? "yes" : "no";
        config += o.Name + ": " + value + "\n";
        // The program's reading of "indent: yes" leaves the indent at no spaces; the library
        // default of two is what an indent passed as a number gives.
        if (o.Name == "indent")
            config += "indent-spaces: 2\n";
    }
    return config;
}

// The tidy program's messages at a place in the page, in the editor's format; its summary
// lines and advice are not findings of the page, and the editor leaves them out too.
QString EditorMessages(const QString& report) {
    static const QRegularExpression line(R"(^line (\d+) column (\d+) - (\w+): (.*)$)");
    QString out;
    for (const QString& l : report.split('\n')) {
        const auto m = line.match(l);
        if (m.hasMatch()) {
            const QString level = m.captured(3) == "Warning" ? "Warninig" : m.captured(3);
            out += QString("Line %1, Column %2 - %3: %4\r\n")
                       .arg(m.captured(1), m.captured(2), level, m.captured(4));
        }
    }
    return out;
}

} // namespace

TEST(TidyCrossCheck, OutputAndMessagesEqualThoseOfTheTidyProgram) {
    const QString program = QStandardPaths::findExecutable("tidy");
    ASSERT_FALSE(program.isEmpty()) << "the tidy program (Debian package tidy) is needed";
    QList<TPage> pages = HandWrittenPages();
    for (quint32 seed = 1; seed <= 8; ++seed)
        pages.append({QString("generated %1").arg(seed), GeneratedPage(seed)});
    ASSERT_GE(pages.size(), 20);

    QTemporaryDir dir;
    TFormTidyProperties form;
    for (const bool variant : {false, true}) {
        // The second round: indented, wrapped at 60 with its options, alt text provided.
        form.CBIndent->setChecked(variant);
        form.cbEnableTextWrapping->setChecked(variant);
        form.EditWrapWidth->setText("60");
        form.cbWrapAttributes->setChecked(variant);
        form.CBAltText->setChecked(variant);
        form.EditAltText->setText("picture");
        const QString configPath = dir.filePath("config.txt");
        QFile config(configPath);
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(ConfigFile(form.ApplyTidyOptions()));
        config.close();

        for (const TPage& page : pages) {
            // Wrapping changes the blanks inside server-side blocks, which the editor keeps.
            if (variant && page.Name == "server side")
                continue;
            QFile file(dir.filePath("page.html"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(page.Text.toUtf8());
            file.close();
            QProcess tidy;
            tidy.start(program,
                       {"-config", configPath, "-f", dir.filePath("report.txt"), file.fileName()});
            ASSERT_TRUE(tidy.waitForFinished(30000));
            QFile report(dir.filePath("report.txt"));
            ASSERT_TRUE(report.open(QIODevice::ReadOnly));

            QString text = page.Text, messages;
            EXPECT_TRUE(form.RunTidy(text, messages)) << page.Name.toStdString();
            EXPECT_EQ(text, QString::fromUtf8(tidy.readAllStandardOutput()))
                << page.Name.toStdString() << (variant ? " (variant)" : "");
            EXPECT_EQ(messages, EditorMessages(QString::fromUtf8(report.readAll())))
                << page.Name.toStdString() << (variant ? " (variant)" : "");
            // Validating has Tidy write no output, and must find just the same.
            QString found;
            form.ValidateWithTidy(page.Text, found);
            EXPECT_EQ(found, messages) << page.Name.toStdString() << (variant ? " (variant)" : "");
        }
    }
}
