#include "app/PreprocessText.h"

#include "common/GlyphErrors.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QDateTime Now(QDate(2026, 3, 4), QTime(5, 6, 7));

struct TPreprocessCase {
    const char* Name;
    QString Text;
    QString FileName; // relative names are taken in the test's folder
    QString Expected;
};

void PrintTo(const TPreprocessCase& c, std::ostream* os) {
    *os << c.Name;
}

// The files the includes read, in one folder per suite.
class PreprocessFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        Write("inc.txt", "$FileName$ inner\n#define Z zed\n");
        Write("say \"hi\".txt", "quoted\n");
        Write("self.txt", "#include \"self.txt\"\n");
        Write("a.txt", "#include \"b.txt\"\n");
        Write("b.txt", "#include \"a.txt\"\n");
        QDir(dir_->path()).mkdir(".hidden");
        Write(".hidden/x.txt", "hidden\n");
        // The program's own files, here in a folder that is not hidden.
        setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_->filePath("config")).constData(), 1);
        QDir().mkpath(dir_->filePath("config/Velmaris"));
        Write("config/Velmaris/Sites.ini", "[site]\n");
        QFile::link("/etc/hostname", dir_->filePath("out.txt"));
        mkfifo(QFile::encodeName(dir_->filePath("fifo")).constData(), 0600);
        QFile big(dir_->filePath("big.txt"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(MaxIncludeBytes + 1));
        Write("quarter.txt", QByteArray(MaxIncludeBytes / 4 + 1, 'x'));
    }
    static void TearDownTestSuite() { delete dir_; }

    static void Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_->filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QString Path(const QString& name) {
        return name.contains('/') || name == "Untitled.htm" ? name : dir_->filePath(name);
    }

    static QTemporaryDir* dir_;
};

QTemporaryDir* PreprocessFiles::dir_ = nullptr;

class Preprocess : public PreprocessFiles, public ::testing::WithParamInterface<TPreprocessCase> {};

TEST_P(Preprocess, ReplacesMacrosAndRunsDirectives) {
    const TPreprocessCase& c = GetParam();
    QString expected = c.Expected;
    expected.replace("<dir>", dir_->path() + '/');
    EXPECT_EQ(PreprocessText(c.Text, Path(c.FileName), Now), expected);
}

// A page of more than MaxPreprocessWork characters with macros on every line, and what it
// becomes.
std::pair<QString, QString> LongPageWithMacros() {
    const QString padding(80, 'x');
    QString text = "#define NAME value\n";
    QString expected;
    for (int i = 0; i < 50000; ++i) {
        text += "NAME $FileExt$ " + padding + '\n';
        expected += "value .htm " + padding + "\r\n";
    }
    return {text, expected};
}

const QLocale Locale;
const QString Date = Locale.toString(Now.date(), QLocale::ShortFormat);
const QString Time = Locale.toString(Now.time(), QLocale::LongFormat);

INSTANTIATE_TEST_SUITE_P(
    Cases, Preprocess,
    ::testing::Values(
        TPreprocessCase{"DefineAnyCaseAnywhere", "#define NAME blue sky\nname NAME MyName\n",
                        "p.htm", "blue sky blue sky Myblue sky\r\n"},
        TPreprocessCase{"DefineWithoutValueIsItself", "#define FOO\nfoo Foo\n", "p.htm",
                        "FOO FOO\r\n"},
        TPreprocessCase{"UndefStopsReplacing", "#define X y\nX\n #undef X\nX", "p.htm",
                        "y\r\nX\r\n"},
        TPreprocessCase{"OtherWordsStay", "  #header { color: red }\n# define Q r\nQ\n", "p.htm",
                        "  #header { color: red }\r\nr\r\n"},
        TPreprocessCase{"ValuesGetLaterNamesReplaced", "#define A xBx\n#define B C\nA B\n", "p.htm",
                        "xCx C\r\n"},
        TPreprocessCase{"RedefineKeepsTheName", "#define A b\n#define A c\nA\n", "p.htm", "c\r\n"},
        TPreprocessCase{"DirectiveWordsIgnoreCase", "#DEFINE x y\nX\n#UnDeF X\nx\n", "p.htm",
                        "y\r\nx\r\n"},
        TPreprocessCase{"DateAndTime", "$Date$|$DateTime$|$Time$", "p.htm",
                        Date + '|' + Date + ' ' + Time + '|' + Time + "\r\n"},
        TPreprocessCase{"UntitledKeepsItsEmptyPath", "$FilePath$ $FileName$ $FileExt$",
                        "Untitled.htm", "$FilePath$ Untitled.htm .htm\r\n"},
        TPreprocessCase{"FileMacros", "$FilePath$$FileName$ $FileExt$", "p.htm",
                        "<dir>p.htm .htm\r\n"},
        TPreprocessCase{"IncludeTakesItsOwnFileMacrosAndDefinitions",
                        "#include \"inc.txt\"\n$FileName$ Z\n", "p.htm",
                        "inc.txt inner\r\np.htm zed\r\n"},
        TPreprocessCase{"IncludeNameWithDoubledQuotes", "#include  \"say \"\"hi\"\".txt\"  \n",
                        "p.htm", "quoted\r\n"},
        TPreprocessCase{"EmptyText", "", "p.htm", ""},
        TPreprocessCase{"LongPageWithMacrosOnEveryLine", LongPageWithMacros().first, "p.htm",
                        LongPageWithMacros().second}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TFailureCase {
    const char* Name;
    QString Text;
    QString Expected; // the start of the message
};

void PrintTo(const TFailureCase& c, std::ostream* os) {
    *os << c.Name;
}

class PreprocessFailure : public PreprocessFiles,
                          public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(PreprocessFailure, StopsWithTheError) {
    const TFailureCase& c = GetParam();
    QString expected = c.Expected;
    expected.replace("<dir>", dir_->path() + '/');
    try {
        PreprocessText(c.Text, Path("p.htm"), Now);
        FAIL() << "no error";
    } catch (const EGlyphError& e) {
        EXPECT_TRUE(e.Message().startsWith(expected)) << e.Message().toStdString();
    }
}

// Each of A to Z holds the one before it twice: a few hundred bytes that would grow past any
// memory.
QString DoublingDefinitions() {
    QString text = "#define A 0123456789012345\n";
    for (char name = 'B'; name <= 'Z'; ++name)
        text += QString("#define %1 %2 %2\n").arg(QChar(name)).arg(QChar(name - 1));
    return text + "Z\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreprocessFailure,
    ::testing::Values(
        TFailureCase{"IncludesItself", "#include \"self.txt\"",
                     "Include nested too deeply: <dir>self.txt"},
        TFailureCase{"CycleOfIncludes", "x\n#include \"a.txt\"",
                     "Include nested too deeply: <dir>"},
        TFailureCase{"MissingFile", "#include \"none.txt\"", "Cannot open file \"<dir>none.txt\""},
        TFailureCase{"NoQuotes", "#include inc.txt", "Cannot open file"},
        TFailureCase{"Fifo", "#include \"fifo\"",
                     "Cannot include \"<dir>fifo\": it is not "
                     "a regular file."},
        TFailureCase{"Device", "#include \"/dev/zero\"",
                     "Cannot include \"/dev/zero\": it lies "
                     "outside the site /tmp/"},
        TFailureCase{"LinkOutOfTheSite", "#include \"out.txt\"",
                     "Cannot include \"<dir>out.txt\": it lies "
                     "outside the site"},
        TFailureCase{"Hidden", "#include \".hidden/x.txt\"",
                     "Cannot include \"<dir>.hidden/x.txt\": "
                     "hidden files and folders are not "
                     "reached."},
        TFailureCase{"ProgramsOwnFile", "#include \"config/Velmaris/Sites.ini\"",
                     "Cannot include \"<dir>config/Velmaris/"
                     "Sites.ini\": it is one of the program's "
                     "own files."},
        TFailureCase{"TooLarge", "#include \"big.txt\"",
                     "Cannot include \"<dir>big.txt\": it is "
                     "larger than 16 MB."},
        TFailureCase{"IncludesTooLargeTogether", QString("#include \"quarter.txt\"\n").repeated(4),
                     "Cannot include \"<dir>quarter.txt\": the included files are larger than "
                     "16 MB together."},
        TFailureCase{"GrowsPastTheLimit", DoublingDefinitions(), "Preprocessed text too large."}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
