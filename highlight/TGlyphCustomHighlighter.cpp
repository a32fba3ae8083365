#include "highlight/TGlyphCustomHighlighter.h"

#include "common/GlyphErrors.h"

#include <QSettings>
#include <algorithm>
#include <typeinfo>

namespace {

const QString kBackground = QStringLiteral("Background");
const QString kForeground = QStringLiteral("Foreground");
const QString kStyle = QStringLiteral("Style");

bool NameLess(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

// Opens a key of the store for the life of the object and gives the caller's group back after.
// A key with a leading backslash is absolute (from the top of the store), any other is relative
// to the group already open, as registry paths are relative to the key already open.
class TStoreKey {
public:
    TStoreKey(QSettings& root, const QString& key) : root_(root) {
        if (key.startsWith(QLatin1Char('\\')) && !root.group().isEmpty()) {
            saved_ = root.group();
            while (!root.group().isEmpty()) {
                root.endGroup();
            }
        }
        root.beginGroup(HighlighterStoreGroup(key));
    }
    ~TStoreKey() {
        root_.endGroup();
        if (!saved_.isEmpty()) {
            root_.beginGroup(saved_);
        }
    }
    TStoreKey(const TStoreKey&) = delete;
    TStoreKey& operator=(const TStoreKey&) = delete;

    bool Exists() const { return !root_.childKeys().isEmpty() || !root_.childGroups().isEmpty(); }

private:
    QSettings& root_;
    QString saved_;
};

// A stored 32-bit value, written as a signed integer like a registry DWORD; answers false when
// the value is absent or not a number.
bool ReadValue(const QSettings& store, const QString& name, std::uint32_t& value) {
    if (!store.contains(name)) {
        return false;
    }
    bool ok = false;
    const qlonglong v = store.value(name).toLongLong(&ok);
    if (!ok || v < -0x80000000LL || v > 0xFFFFFFFFLL) {
        return false;
    }
    value = std::uint32_t(v);
    return true;
}

void WriteValue(QSettings& store, const QString& name, std::uint32_t value) {
    SetStoreValue(store, name, qint32(value));
}

} // namespace

TGlyphCustomHighlighter::TGlyphCustomHighlighter() : breakChars_(DefaultBreakChars()) {}

TGlyphCustomHighlighter::~TGlyphCustomHighlighter() = default;

int TGlyphCustomHighlighter::AttributeCount() const {
    return int(attributes_.size());
}

TGlyphHighlighterAttributes* TGlyphCustomHighlighter::AttributeAt(int i) const {
    if (i < 0 || i >= int(attributes_.size())) {
        return nullptr;
    }
    return attributes_[std::size_t(i)].get();
}

QString TGlyphCustomHighlighter::DefaultFilter() const {
    return defaultFilter_;
}

TGlyphCharSet TGlyphCustomHighlighter::WordChars() const {
    return TGlyphCharSet().AddRange(33, 255).SetAbove(TGlyphCharSet::PrintableAbove);
}

void TGlyphCustomHighlighter::SetBreakChars(const TGlyphCharSet& chars) {
    breakChars_ = chars;
}

QString TGlyphCustomHighlighter::PreviewSample() const {
    return {};
}

bool TGlyphCustomHighlighter::IsDefaultFilterStored() const {
    return true;
}

void TGlyphCustomHighlighter::SetDefaultFilter(const QString& filter) {
    defaultFilter_ = filter;
}

void TGlyphCustomHighlighter::SetPreviewSample(const QString&) {}

TGlyphHighlighterCapabilities TGlyphCustomHighlighter::Features() const {
    return hcRegistry;
}

QString TGlyphCustomHighlighter::LanguageTitle() const {
    return QStringLiteral("<Unknown>");
}

TGlyphCustomHighlighter::TState TGlyphCustomHighlighter::State() const {
    return 0;
}

bool TGlyphCustomHighlighter::IsReservedWord(const QString&) const {
    return false;
}

void TGlyphCustomHighlighter::RestoreState(TState) {}

void TGlyphCustomHighlighter::ResetState() {}

bool TGlyphCustomHighlighter::ApplyPreset(int) {
    return false;
}

void TGlyphCustomHighlighter::ListPresets(QStringList& list) const {
    list.clear();
}

bool TGlyphCustomHighlighter::LoadAttributes(QSettings& root, const QString& key) {
    TStoreKey open(root, key);
    if (!open.Exists()) {
        return false;
    }
    // Listeners hear of the loaded colours once, not once per value.
    BeginUpdate();
    bool complete = true;
    for (const auto& a : attributes_) {
        if (!root.childGroups().contains(a->Name())) {
            complete = false;
            break;
        }
        root.beginGroup(a->Name());
        std::uint32_t v = 0;
        if (ReadValue(root, kBackground, v)) {
            a->SetBackground(v);
        }
        if (ReadValue(root, kForeground, v)) {
            a->SetForeground(v);
        }
        if (ReadValue(root, kStyle, v)) {
            a->SetStyle(v & fsAllStyles);
        }
        root.endGroup();
    }
    EndUpdate();
    return complete;
}

bool TGlyphCustomHighlighter::SaveAttributes(QSettings& root, const QString& key) const {
    if (!root.isWritable()) {
        return false;
    }
    {
        TStoreKey open(root, key);
        for (const auto& a : attributes_) {
            root.beginGroup(a->Name());
            WriteValue(root, kBackground, a->Background());
            WriteValue(root, kForeground, a->Foreground());
            WriteValue(root, kStyle, a->Style() & fsAllStyles);
            root.endGroup();
        }
    }
    root.sync();
    return root.status() == QSettings::NoError;
}

int TGlyphCustomHighlighter::TokenLength() const {
    return int(TokenText().size());
}

void TGlyphCustomHighlighter::ScanToLineEnd() {
    while (!AtLineEnd()) {
        Advance();
    }
}

void TGlyphCustomHighlighter::SkipTokensBefore(int offset) {
    while (!AtLineEnd() && TokenStart() + TokenLength() < offset) {
        Advance();
    }
}

bool TGlyphCustomHighlighter::CanResumeLine() const {
    return false;
}

TGlyphCustomHighlighter::TState TGlyphCustomHighlighter::ResumeState() const {
    return State();
}

void TGlyphCustomHighlighter::ResumeLine(const QString& text, int lineNumber, int) {
    StartLine(text, lineNumber);
}

void TGlyphCustomHighlighter::ReleaseLine() {}

TGlyphCharSet TGlyphCustomHighlighter::DefaultBreakChars() {
    return TGlyphCharSet(u"!'()*+,-./:;=?[\\]^{|}\"");
}

TGlyphHighlighterAttributes* TGlyphCustomHighlighter::AttributeByName(const QString& name) const {
    for (const auto& a : attributes_) {
        if (a->Name() == name) {
            return a.get();
        }
    }
    return nullptr;
}

void TGlyphCustomHighlighter::SetEnabled(bool enabled) {
    if (enabled_ != enabled) {
        enabled_ = enabled;
        HighlightChanged();
    }
}

void TGlyphCustomHighlighter::HookAttributeChange(const void* listener, TChangeHook handler) {
    for (THook& h : hooks_) {
        if (h.Listener == listener) {
            h.Handler = std::move(handler);
            return;
        }
    }
    hooks_.push_back({listener, std::move(handler)});
}

void TGlyphCustomHighlighter::UnhookAttributeChange(const void* listener) {
    std::erase_if(hooks_, [listener](const THook& h) { return h.Listener == listener; });
}

void TGlyphCustomHighlighter::BeginUpdate() {
    ++updateCount_;
}

void TGlyphCustomHighlighter::EndUpdate() {
    if (updateCount_ > 0) {
        --updateCount_;
    }
    if (updateCount_ == 0 && changePending_) {
        changePending_ = false;
        HighlightChanged();
    }
}

void TGlyphCustomHighlighter::HighlightChanged() {
    if (updateCount_ > 0) {
        changePending_ = true;
        return;
    }
    // A listener may hook or unhook while it is called; walk a copy.
    const std::vector<THook> hooks = hooks_;
    for (const THook& h : hooks) {
        if (h.Handler) {
            h.Handler();
        }
    }
}

void TGlyphCustomHighlighter::Assign(const TGlyphCustomHighlighter& other) {
    if (&other == this) {
        return;
    }
    BeginUpdate();
    for (const auto& a : attributes_) {
        if (const TGlyphHighlighterAttributes* source = other.AttributeByName(a->Name())) {
            a->Assign(*source);
        }
    }
    if (typeid(other) == typeid(*this)) {
        SetPreviewSample(other.PreviewSample());
    }
    SetBreakChars(other.BreakChars());
    SetDefaultFilter(other.DefaultFilter());
    SetEnabled(other.Enabled());
    EndUpdate();
}

TGlyphHighlighterAttributes*
TGlyphCustomHighlighter::AddAttribute(std::unique_ptr<TGlyphHighlighterAttributes> a) {
    auto at = std::lower_bound(attributes_.begin(), attributes_.end(), a->Name(),
                               [](const std::unique_ptr<TGlyphHighlighterAttributes>& item,
                                  const QString& name) { return NameLess(item->Name(), name); });
    if (at != attributes_.end() && !NameLess(a->Name(), (*at)->Name())) {
        throw EGlyphError(QStringLiteral("String list does not allow duplicates"));
    }
    return attributes_.insert(at, std::move(a))->get();
}

TGlyphHighlighterAttributes* TGlyphCustomHighlighter::AddAttribute(const QString& name) {
    return AddAttribute(std::make_unique<TGlyphHighlighterAttributes>(name));
}

void TGlyphCustomHighlighter::ConnectAttributes() {
    for (const auto& a : attributes_) {
        a->SetChangeHandler([this] { HighlightChanged(); });
        a->RecordDefaults();
    }
}

std::unique_ptr<QSettings> OpenHighlighterStore() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Velmaris"), QStringLiteral("GlyphEdit"));
}

void SetStoreValue(QSettings& store, const QString& name, const QVariant& value) {
    // The file holds text, so the stored text is what is compared.
    if (store.contains(name) && store.value(name).toString() == value.toString()) {
        return;
    }
    store.setValue(name, value);
}

QString HighlighterStoreGroup(const QString& keyPath) {
    QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    // The store itself is the key Software\Velmaris\GlyphEdit of the user.
    static const QStringList storeKey = {QStringLiteral("Software"), QStringLiteral("Velmaris"),
                                         QStringLiteral("GlyphEdit")};
    const bool absolute = keyPath.startsWith(QLatin1Char('\\'));
    if (absolute && parts.size() >= storeKey.size()) {
        bool under = true;
        for (qsizetype i = 0; i < storeKey.size(); ++i) {
            under = under && QString::compare(parts[i], storeKey[i], Qt::CaseInsensitive) == 0;
        }
        if (under) {
            parts.remove(0, storeKey.size());
        }
    }
    return parts.join(QLatin1Char('/'));
}
