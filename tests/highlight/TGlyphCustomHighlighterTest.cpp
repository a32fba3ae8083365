#include "highlight/TGlyphCustomHighlighter.h"
#include "highlight/GlyphHighlightScan.h"
#include "highlight/TGlyphGeneralHighlighter.h"
#include "highlight/TGlyphHTMLHighlighter.h"

#include "common/GlyphErrors.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A small language for the framework's own behaviour: words and blanks, with the number of
// open parentheses carried from line to line. Its attributes are created in the order given.
class TWordHighlighter : public TGlyphCustomHighlighter {
public:
    explicit TWordHighlighter(const QStringList& names = {"Word", "Space"}) {
        for (const QString& n : names) {
            AddAttribute(n);
        }
        ConnectAttributes();
    }
    using TGlyphCustomHighlighter::AddAttribute;

    TGlyphHighlighterAttributes* StandardAttribute(int index) const override {
        return index == SYN_ATTR_IDENTIFIER ? AttributeByName(QStringLiteral("Word")) : nullptr;
    }
    bool AtLineEnd() const override { return atEnd_; }
    TState State() const override { return depth_; }
    QString TokenText() const override { return text_.mid(start_, pos_ - start_); }
    TGlyphHighlighterAttributes* TokenAttribute() const override {
        return AttributeByName(space_ ? QStringLiteral("Space") : QStringLiteral("Word"));
    }
    int TokenKind() const override { return space_ ? 1 : 0; }
    int TokenStart() const override { return start_; }
    void Advance() override {
        start_ = pos_;
        if (pos_ >= text_.size()) {
            atEnd_ = true;
            return;
        }
        space_ = text_[pos_].isSpace();
        while (pos_ < text_.size() && text_[pos_].isSpace() == space_) {
            depth_ += text_[pos_] == u'(' ? 1 : text_[pos_] == u')' ? -1 : 0;
            ++pos_;
        }
    }
    void StartLine(const QString& text, int) override {
        text_ = text;
        pos_ = 0;
        atEnd_ = false;
        Advance();
    }
    void RestoreState(TState state) override { depth_ = state; }
    void ResetState() override { depth_ = 0; }

private:
    QString text_;
    int pos_ = 0;
    int start_ = 0;
    bool space_ = false;
    bool atEnd_ = true;
    TState depth_ = 0;
};

// A language that never moves on: the scan helper must refuse to loop for ever.
class TStuckHighlighter : public TWordHighlighter {
public:
    bool AtLineEnd() const override { return false; }
    void Advance() override {}
};

QStringList Names(const TGlyphCustomHighlighter& h) {
    QStringList names;
    for (int i = 0; i < h.AttributeCount(); ++i) {
        names << h.AttributeAt(i)->Name();
    }
    return names;
}

// ---------------------------------------------------------------- attribute list

struct TSortCase {
    const char* name;
    QStringList created;
    QStringList sorted;
};

class AttributeOrder : public ::testing::TestWithParam<TSortCase> {};

TEST_P(AttributeOrder, FollowsTheNameWithoutRegardToCase) {
    TWordHighlighter h(GetParam().created);
    EXPECT_EQ(Names(h), GetParam().sorted);
}

INSTANTIATE_TEST_SUITE_P(
    AttributeList, AttributeOrder,
    ::testing::Values(
        TSortCase{"AlreadySorted", {"Asp", "Comment", "Text"}, {"Asp", "Comment", "Text"}},
        TSortCase{"Reversed", {"Value", "Symbol", "Asp"}, {"Asp", "Symbol", "Value"}},
        TSortCase{
            "MixedCase", {"zeta", "Alpha", "beta", "Gamma"}, {"Alpha", "beta", "Gamma", "zeta"}},
        TSortCase{"SharedPrefix",
                  {"Reserved word", "Reserved", "Res"},
                  {"Res", "Reserved", "Reserved word"}},
        TSortCase{"Empty", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AttributeList, DuplicateNameIsAnErrorRegardlessOfCase) {
    TWordHighlighter h({"Comment", "Space"});
    try {
        h.AddAttribute(QStringLiteral("COMMENT"));
        FAIL() << "a second attribute of the same name was accepted";
    } catch (const EGlyphError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("String list does not allow duplicates"));
    }
    EXPECT_EQ(Names(h), QStringList({"Comment", "Space"}));
}

TEST(AttributeList, IndexOutsideTheListAnswersNull) {
    TWordHighlighter h({"A", "B"});
    EXPECT_EQ(h.AttributeCount(), 2);
    EXPECT_NE(h.AttributeAt(0), nullptr);
    EXPECT_NE(h.AttributeAt(1), nullptr);
    EXPECT_EQ(h.AttributeAt(2), nullptr);
    EXPECT_EQ(h.AttributeAt(-1), nullptr);
    EXPECT_EQ(h.StandardAttribute(SYN_ATTR_STRING), nullptr);
}

TEST(AttributeList, ConnectAttributesRecordsDefaultsAndRoutesChanges) {
    TGlyphHTMLHighlighter h;
    TGlyphHighlighterAttributes* reserved = h.ReservedWordAttri();
    EXPECT_EQ(reserved->DefaultForeground(), 0xFF0080u);
    EXPECT_EQ(reserved->DefaultStyle(), fsBold);
    int calls = 0;
    h.HookAttributeChange(&calls, [&calls] { ++calls; });
    reserved->SetForeground(0x800080);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(reserved->IsForegroundDefault());
}

// ---------------------------------------------------------------- base behaviour

TEST(BaseBehaviour, SlotsAnswerTheirBaseValues) {
    TWordHighlighter h;
    EXPECT_EQ(h.LanguageTitle(), QStringLiteral("<Unknown>"));
    EXPECT_EQ(h.PreviewSample(), QString());
    h.SetPreviewSample(QStringLiteral("sample"));
    EXPECT_EQ(h.PreviewSample(), QString());
    EXPECT_EQ(h.Features(), TGlyphHighlighterCapabilities(hcRegistry));
    EXPECT_FALSE(h.ApplyPreset(0));
    QStringList presets{"left over"};
    h.ListPresets(presets);
    EXPECT_TRUE(presets.isEmpty());
    EXPECT_FALSE(h.IsReservedWord(QStringLiteral("if")));
    EXPECT_TRUE(h.IsDefaultFilterStored());
    EXPECT_TRUE(h.Enabled());
    EXPECT_EQ(h.DefaultFilter(), QString());
    h.SetDefaultFilter(QStringLiteral("Text Files (*.txt)|*.txt"));
    EXPECT_EQ(h.DefaultFilter(), QStringLiteral("Text Files (*.txt)|*.txt"));
}

TEST(BaseBehaviour, WordCharsAreEveryCharacterFrom33To255) {
    TWordHighlighter h;
    const TGlyphCharSet word = h.WordChars();
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(word.Contains(char16_t(c)), c >= 33) << c;
    }
    EXPECT_TRUE(word.Contains(u'\u65E5'));
    EXPECT_FALSE(word.Contains(u'\u3000')) << "ideographic space";
}

TEST(BaseBehaviour, NewHighlighterHasThe22BreakChars) {
    TWordHighlighter h;
    const QString expected = QStringLiteral("!'()*+,-./:;=?[\\]^{|}\"");
    ASSERT_EQ(expected.size(), 22);
    int members = 0;
    for (int c = 0; c < 256; ++c) {
        const bool in = h.BreakChars().Contains(char16_t(c));
        EXPECT_EQ(in, expected.contains(QChar(c))) << c;
        members += in;
    }
    EXPECT_EQ(members, 22);
    h.SetBreakChars(TGlyphCharSet(u" "));
    EXPECT_TRUE(h.BreakChars().Contains(u' '));
    EXPECT_FALSE(h.BreakChars().Contains(u'!'));
}

TEST(BaseBehaviour, ScanToLineEndReachesTheEnd) {
    TWordHighlighter h;
    h.ResetState();
    h.StartLine(QStringLiteral("f(a, (b)"), 0);
    EXPECT_FALSE(h.AtLineEnd());
    h.ScanToLineEnd();
    EXPECT_TRUE(h.AtLineEnd());
    EXPECT_EQ(h.State(), 1);
}

// ---------------------------------------------------------------- change notification

TEST(ChangeNotification, EveryHookedListenerHearsAChange) {
    TGlyphHTMLHighlighter h;
    int first = 0;
    int second = 0;
    h.HookAttributeChange(&first, [&first] { ++first; });
    h.HookAttributeChange(&second, [&second] { ++second; });
    EXPECT_EQ(h.HookCount(), 2);
    h.CommentAttri()->SetForeground(0x008000);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);

    h.UnhookAttributeChange(&first);
    h.CommentAttri()->SetStyle(fsItalic);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);

    h.HookAttributeChange(&second, [&first] { ++first; });
    EXPECT_EQ(h.HookCount(), 1) << "hooking again replaces the handler";
    h.CommentAttri()->SetStyle(0);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 2);
}

TEST(ChangeNotification, UpdateCounterHoldsChangesBackUntilTheLastEnd) {
    TGlyphHTMLHighlighter h;
    int calls = 0;
    h.HookAttributeChange(&calls, [&calls] { ++calls; });
    h.BeginUpdate();
    h.BeginUpdate();
    h.TextAttri()->SetForeground(1);
    h.SetEnabled(false);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(h.ChangePending());
    h.EndUpdate();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(h.UpdateCount(), 1);
    h.EndUpdate();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(h.ChangePending());
    EXPECT_EQ(h.UpdateCount(), 0);
}

TEST(ChangeNotification, BracketWithoutChangesIsSilent) {
    TGlyphHTMLHighlighter h;
    int calls = 0;
    h.HookAttributeChange(&calls, [&calls] { ++calls; });
    h.BeginUpdate();
    h.TextAttri()->SetForeground(h.TextAttri()->Foreground());
    h.SetEnabled(true);
    h.EndUpdate();
    EXPECT_EQ(calls, 0);
    h.EndUpdate(); // an unbalanced end never drives the counter below zero
    EXPECT_EQ(h.UpdateCount(), 0);
    h.SetEnabled(false);
    EXPECT_EQ(calls, 1);
}

TEST(ChangeNotification, ListenerMayUnhookItselfWhileCalled) {
    TGlyphHTMLHighlighter h;
    int calls = 0;
    h.HookAttributeChange(&calls, [&] {
        ++calls;
        h.UnhookAttributeChange(&calls);
    });
    h.SetEnabled(false);
    h.SetEnabled(true);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(h.HookCount(), 0);
}

// ---------------------------------------------------------------- Assign

TEST(Assign, CopiesSameNamedAttributesAndSettings) {
    TGlyphHTMLHighlighter source;
    source.CommentAttri()->SetForeground(0x008000);
    source.ValueAttri()->SetBackground(0xFF000005);
    source.IdentifierAttri()->SetStyle(fsUnderline);
    source.SetDefaultFilter(QStringLiteral("Pages (*.htm)|*.htm"));
    source.SetEnabled(false);
    source.SetBreakChars(TGlyphCharSet(u"#"));

    TGlyphHTMLHighlighter target;
    int calls = 0;
    target.HookAttributeChange(&calls, [&calls] { ++calls; });
    target.Assign(source);
    for (int i = 0; i < source.AttributeCount(); ++i) {
        EXPECT_EQ(target.AttributeAt(i)->Foreground(), source.AttributeAt(i)->Foreground());
        EXPECT_EQ(target.AttributeAt(i)->Background(), source.AttributeAt(i)->Background());
        EXPECT_EQ(target.AttributeAt(i)->Style(), source.AttributeAt(i)->Style());
    }
    EXPECT_EQ(target.DefaultFilter(), QStringLiteral("Pages (*.htm)|*.htm"));
    EXPECT_FALSE(target.Enabled());
    EXPECT_EQ(target.BreakChars(), TGlyphCharSet(u"#"));
    EXPECT_EQ(calls, 1) << "one notification for the whole copy";
}

TEST(Assign, MatchesAttributeNamesExactly) {
    TWordHighlighter source({"comment", "Space", "Extra"});
    source.AttributeByName(QStringLiteral("comment"))->SetForeground(0x123456);
    source.AttributeByName(QStringLiteral("Space"))->SetBackground(0x654321);
    TGlyphHTMLHighlighter target;
    target.Assign(source);
    EXPECT_EQ(target.CommentAttri()->Foreground(), clNone) << "\"comment\" is not \"Comment\"";
    EXPECT_EQ(target.SpaceAttri()->Background(), 0x654321u);
    EXPECT_EQ(target.AttributeCount(), 10);
}

// ---------------------------------------------------------------- the store

const QString kHtmlKey = QStringLiteral("\\Software\\Velmaris\\GlyphEdit\\TGlyphHTMLHighlighter");

struct TAttributeValues {
    TGlyphColor Background;
    TGlyphColor Foreground;
    TGlyphFontStyles Style;
    bool operator==(const TAttributeValues&) const = default;
};

QList<TAttributeValues> ValuesOf(const TGlyphCustomHighlighter& h) {
    QList<TAttributeValues> values;
    for (int i = 0; i < h.AttributeCount(); ++i) {
        const TGlyphHighlighterAttributes* a = h.AttributeAt(i);
        values.append({a->Background(), a->Foreground(), a->Style()});
    }
    return values;
}

// Gives every attribute its own values, different from the constructor's.
void Recolour(TGlyphCustomHighlighter& h) {
    for (int i = 0; i < h.AttributeCount(); ++i) {
        TGlyphHighlighterAttributes* a = h.AttributeAt(i);
        a->SetBackground(i % 3 == 0 ? clWindow : TGlyphColor(0x010203 * (i + 1)));
        a->SetForeground(i % 4 == 0 ? clNone : TGlyphColor(0x100000 + i));
        a->SetStyle(TGlyphFontStyles(i % 16));
    }
}

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = OpenHighlighterStore();
        store_->clear();
        store_->sync();
    }
    std::unique_ptr<QSettings> store_;
};

TEST_F(Store, LivesInTheUserConfigurationFolder) {
    EXPECT_TRUE(store_->fileName().startsWith(TestEnvironment::Root()))
        << store_->fileName().toStdString();
    EXPECT_TRUE(store_->fileName().contains(QStringLiteral("Velmaris")));
}

TEST_F(Store, SaveThenLoadGivesTheSameValues) {
    TGlyphHTMLHighlighter saved;
    Recolour(saved);
    ASSERT_TRUE(saved.SaveAttributes(*store_, kHtmlKey));

    TGlyphHTMLHighlighter loaded;
    auto reopened = OpenHighlighterStore();
    EXPECT_TRUE(loaded.LoadAttributes(*reopened, kHtmlKey));
    EXPECT_EQ(ValuesOf(loaded), ValuesOf(saved));
}

TEST_F(Store, WritesOneGroupPerAttributeWithThreeIntegers) {
    TGlyphHTMLHighlighter h;
    h.SpaceAttri()->SetBackground(0xFF000005);
    ASSERT_TRUE(h.SaveAttributes(*store_, kHtmlKey));

    QSettings raw(store_->fileName(), QSettings::IniFormat);
    raw.beginGroup(QStringLiteral("TGlyphHTMLHighlighter"));
    EXPECT_EQ(raw.childGroups(),
              QStringList({"Asp", "Comment", "Escape ampersand", "Identifier", "Reserved word",
                           "Space", "Symbol", "Text", "Unknown word", "Value"}));
    EXPECT_EQ(raw.value("Asp/Background").toInt(), 0x00FFFF);
    EXPECT_EQ(raw.value("Asp/Foreground").toInt(), 0);
    EXPECT_EQ(raw.value("Asp/Style").toInt(), 0);
    EXPECT_EQ(raw.value("Reserved word/Foreground").toInt(), 0xFF0080);
    EXPECT_EQ(raw.value("Reserved word/Style").toInt(), 1);
    EXPECT_EQ(raw.value("Comment/Foreground").toLongLong(), qint32(0x1FFFFFFF));
    EXPECT_EQ(raw.value("Space/Background").toLongLong(), qint32(0xFF000005))
        << "a 32-bit value, stored as the signed integer a registry DWORD reads back as";
}

TEST_F(Store, LoadFromAMissingKeyChangesNothing) {
    TGlyphHTMLHighlighter h;
    const auto before = ValuesOf(h);
    EXPECT_FALSE(h.LoadAttributes(*store_, kHtmlKey));
    EXPECT_EQ(ValuesOf(h), before);
}

TEST_F(Store, MissingFirstSubkeyLeavesEveryAttributeUnchanged) {
    TGlyphHTMLHighlighter saved;
    Recolour(saved);
    ASSERT_TRUE(saved.SaveAttributes(*store_, kHtmlKey));
    store_->remove(QStringLiteral("TGlyphHTMLHighlighter/Asp"));
    store_->sync();

    TGlyphHTMLHighlighter h;
    const auto before = ValuesOf(h);
    EXPECT_FALSE(h.LoadAttributes(*store_, kHtmlKey));
    EXPECT_EQ(ValuesOf(h), before);
}

TEST_F(Store, MissingSubkeyStopsTheAttributesAfterIt) {
    TGlyphHTMLHighlighter saved;
    Recolour(saved);
    ASSERT_TRUE(saved.SaveAttributes(*store_, kHtmlKey));
    store_->remove(QStringLiteral("TGlyphHTMLHighlighter/Space"));

    TGlyphHTMLHighlighter h;
    const auto before = ValuesOf(h);
    const auto wanted = ValuesOf(saved);
    EXPECT_FALSE(h.LoadAttributes(*store_, kHtmlKey));
    const auto after = ValuesOf(h);
    const int space = 5; // Asp, Comment, Escape ampersand, Identifier, Reserved word, Space
    ASSERT_EQ(h.AttributeAt(space)->Name(), QStringLiteral("Space"));
    for (int i = 0; i < h.AttributeCount(); ++i) {
        EXPECT_EQ(after[i], i < space ? wanted[i] : before[i])
            << h.AttributeAt(i)->Name().toStdString();
    }
}

TEST_F(Store, MissingOrBrokenValuesLeaveThatPropertyUnchanged) {
    TGlyphHTMLHighlighter saved;
    Recolour(saved);
    ASSERT_TRUE(saved.SaveAttributes(*store_, kHtmlKey));
    store_->remove(QStringLiteral("TGlyphHTMLHighlighter/Value/Foreground"));
    store_->setValue(QStringLiteral("TGlyphHTMLHighlighter/Text/Background"),
                     QStringLiteral("blue"));
    store_->setValue(QStringLiteral("TGlyphHTMLHighlighter/Symbol/Style"), 0x7F);

    TGlyphHTMLHighlighter h;
    EXPECT_TRUE(h.LoadAttributes(*store_, kHtmlKey));
    EXPECT_EQ(h.ValueAttri()->Foreground(), 0xFF8000u) << "constructor value kept";
    EXPECT_EQ(h.ValueAttri()->Background(), saved.ValueAttri()->Background());
    EXPECT_EQ(h.TextAttri()->Background(), clNone);
    EXPECT_EQ(h.TextAttri()->Foreground(), saved.TextAttri()->Foreground());
    EXPECT_EQ(h.SymbolAttri()->Style(), 0xFu) << "only the four style bits are read";
}

TEST_F(Store, LoadingNotifiesListenersOnceAndOnlyWhenSomethingChanged) {
    TGlyphHTMLHighlighter saved;
    Recolour(saved);
    ASSERT_TRUE(saved.SaveAttributes(*store_, kHtmlKey));

    TGlyphHTMLHighlighter h;
    int calls = 0;
    h.HookAttributeChange(&calls, [&calls] { ++calls; });
    ASSERT_TRUE(h.LoadAttributes(*store_, kHtmlKey));
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(h.LoadAttributes(*store_, kHtmlKey));
    EXPECT_EQ(calls, 1) << "the same values again change nothing";
}

TEST_F(Store, DefaultSubkeySitsBesideTheAttributeSubkeys) {
    TGlyphHTMLHighlighter defaults;
    ASSERT_TRUE(defaults.SaveAttributes(*store_, kHtmlKey + QStringLiteral("\\Default")));
    TGlyphHTMLHighlighter user;
    Recolour(user);
    ASSERT_TRUE(user.SaveAttributes(*store_, kHtmlKey));

    TGlyphHTMLHighlighter h;
    ASSERT_TRUE(h.LoadAttributes(*store_, kHtmlKey));
    EXPECT_EQ(ValuesOf(h), ValuesOf(user));
    ASSERT_TRUE(h.LoadAttributes(*store_, kHtmlKey + QStringLiteral("\\Default")));
    EXPECT_EQ(ValuesOf(h), ValuesOf(defaults));
}

TEST_F(Store, RelativeKeyIsOpenedBelowTheGroupAlreadyOpen) {
    TGlyphHTMLHighlighter defaults;
    Recolour(defaults);
    ASSERT_TRUE(defaults.SaveAttributes(*store_, kHtmlKey + QStringLiteral("\\Default")));

    store_->beginGroup(QStringLiteral("TGlyphHTMLHighlighter"));
    TGlyphHTMLHighlighter h;
    EXPECT_TRUE(h.LoadAttributes(*store_, QStringLiteral("Default")));
    EXPECT_EQ(ValuesOf(h), ValuesOf(defaults));
    EXPECT_EQ(store_->group(), QStringLiteral("TGlyphHTMLHighlighter"));

    TGlyphHTMLHighlighter absolute;
    EXPECT_TRUE(absolute.LoadAttributes(*store_, kHtmlKey + QStringLiteral("\\Default")));
    EXPECT_EQ(ValuesOf(absolute), ValuesOf(defaults));
    EXPECT_EQ(store_->group(), QStringLiteral("TGlyphHTMLHighlighter"));
    store_->endGroup();
}

TEST_F(Store, UnwritableStoreAnswersFalseWithoutThrowing) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A folder that cannot exist, because a file holds its name.
    QSettings unwritable(dir.filePath(QStringLiteral("file/store.conf")), QSettings::IniFormat);
    TGlyphHTMLHighlighter h;
    EXPECT_FALSE(h.SaveAttributes(unwritable, kHtmlKey));
    EXPECT_FALSE(h.LoadAttributes(unwritable, kHtmlKey));
}

// A save that finds every value already stored leaves the file as it is (no rewrite on every
// start); a save with one value changed rewrites it.
TEST_F(Store, SavesRewriteTheFileOnlyWhenAValueChanged) {
    const auto inode = [&] {
        struct stat info {};
        return ::stat(QFile::encodeName(store_->fileName()).constData(), &info) == 0 ? info.st_ino
                                                                                     : ino_t(0);
    };
    const struct {
        const char* name;
        std::function<void(TGlyphGeneralHighlighter&)> change;
        bool rewritten;
    } cases[] = {
        {"nothing changed", [](TGlyphGeneralHighlighter&) {}, false},
        {"a colour changed",
         [](TGlyphGeneralHighlighter& h) { h.CommentAttri()->SetForeground(0x123456); }, true},
        {"the keywords changed",
         [](TGlyphGeneralHighlighter& h) {
             h.SetKeyWords({"alpha", "beta"});
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TGlyphGeneralHighlighter h;
        h.SetKeyWords({"alpha"});
        ASSERT_TRUE(h.SaveAttributes(*OpenHighlighterStore(), kHtmlKey));
        const ino_t before = inode();
        ASSERT_NE(before, ino_t(0));
        c.change(h);
        ASSERT_TRUE(h.SaveAttributes(*OpenHighlighterStore(), kHtmlKey));
        EXPECT_EQ(inode() != before, c.rewritten);
        TGlyphGeneralHighlighter loaded;
        ASSERT_TRUE(loaded.LoadAttributes(*OpenHighlighterStore(), kHtmlKey));
        EXPECT_EQ(ValuesOf(loaded), ValuesOf(h));
        EXPECT_EQ(loaded.KeyWords(), h.KeyWords());
    }
}

struct TKeyCase {
    const char* name;
    QString key;
    QString group;
};

class StoreGroup : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(StoreGroup, MapsRegistryPathsOntoGroups) {
    EXPECT_EQ(HighlighterStoreGroup(GetParam().key), GetParam().group);
}

INSTANTIATE_TEST_SUITE_P(
    Store, StoreGroup,
    ::testing::Values(
        TKeyCase{"UserKey", "\\Software\\Velmaris\\GlyphEdit\\TGlyphHTMLHighlighter",
                 "TGlyphHTMLHighlighter"},
        TKeyCase{"DefaultKey", "\\Software\\Velmaris\\GlyphEdit\\TGlyphCppHighlighter\\Default",
                 "TGlyphCppHighlighter/Default"},
        TKeyCase{"TrailingBackslash", "\\Software\\Velmaris\\GlyphEdit\\TGlyphCssHighlighter\\",
                 "TGlyphCssHighlighter"},
        TKeyCase{"OtherCase", "\\SOFTWARE\\velmaris\\GlyphEdit\\X", "X"},
        TKeyCase{"Relative", "Default", "Default"}, TKeyCase{"RelativeNested", "A\\B", "A/B"},
        TKeyCase{"RelativeKeepsSoftware", "Software\\Velmaris\\GlyphEdit\\X",
                 "Software/Velmaris/GlyphEdit/X"},
        TKeyCase{"OtherProduct", "\\Software\\Velmaris\\Other", "Software/Velmaris/Other"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the scan helper

TEST(ScanHelper, CarriesTheStateFromLineToLine) {
    TWordHighlighter h;
    const QStringList lines{"f(a,", "  (b", "", "c))", "d"};
    const QList<TGlyphScannedLine> scanned = ScanLines(h, lines);
    ASSERT_EQ(scanned.size(), 5);
    const QList<TGlyphCustomHighlighter::TState> starts{0, 1, 2, 2, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(scanned[i].StartState, starts[i]) << i;
    }
    EXPECT_EQ(scanned[4].EndState, 0);
    EXPECT_EQ(ScanLineStates(h, lines), starts);
    ASSERT_EQ(scanned[1].Tokens.size(), 2);
    EXPECT_EQ(scanned[1].Tokens[0], (TGlyphToken{0, 2, 1, h.AttributeByName("Space")}));
    EXPECT_EQ(scanned[1].Tokens[1], (TGlyphToken{2, 2, 0, h.AttributeByName("Word")}));
    EXPECT_TRUE(scanned[2].Tokens.isEmpty());
}

TEST(ScanHelper, RefusesAScannerThatNeverReachesTheLineEnd) {
    TStuckHighlighter h;
    EXPECT_THROW(ScanLine(h, QStringLiteral("abc"), 0, 0), EGlyphError);
}

} // namespace
