#include "common/FormStorage.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/UserSettings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <algorithm>

namespace {
constexpr int ShowNormal = 1;
constexpr int ShowMinimized = 2;
constexpr int ShowMaximized = 3;

QString RectToText(const QRect& rect) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(rect.left())
        .arg(rect.top())
        .arg(rect.left() + rect.width())
        .arg(rect.top() + rect.height());
}

std::optional<QRect> TextToRect(const QString& text) {
    const QStringList parts = text.split(',');
    if (parts.size() != 4)
        return std::nullopt;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    const QRect rect(QPoint(values[0], values[1]),
                     QSize(values[2] - values[0], values[3] - values[1]));
    if (rect.width() <= 0 || rect.height() <= 0)
        return std::nullopt;
    return rect;
}

// Rect moved, and shrunk where it is larger, into the free area of the screen it overlaps most,
// so that a window stored on a larger screen comes back whole. Nothing when it overlaps no
// screen: a window stored on a screen that is gone keeps its size but not its place.
std::optional<QRect> FittedToScreen(const QRect& rect) {
    std::optional<QRect> best;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry() & rect;
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = screen->availableGeometry();
        }
    }
    if (!best)
        return std::nullopt;
    QRect fitted(rect.topLeft(), rect.size().boundedTo(best->size()));
    fitted.moveLeft(std::clamp(fitted.left(), best->left(), best->right() - fitted.width() + 1));
    fitted.moveTop(std::clamp(fitted.top(), best->top(), best->bottom() - fitted.height() + 1));
    return fitted;
}

QString Encode(QString text) {
    return text.replace('%', "%25").replace(';', "%3B").replace('=', "%3D");
}

QString Decode(const QString& text) {
    return QUrl::fromPercentEncoding(text.toUtf8());
}
} // namespace

TFormStorage::TFormStorage(QWidget* form, const QString& section, TPlacement placement)
    : form_(form), section_(section), placement_(placement) {
    form->installEventFilter(this);
}

TFormStorage::~TFormStorage() {
    if (form_)
        form_->removeEventFilter(this);
    // A window never shown has nothing new to keep; saving it would overwrite the stored state
    // with the form's defaults.
    if (form_ && restored_ && !saved_)
        Save();
}

void TFormStorage::AddProperty(const QString& name, std::function<QString()> read,
                               std::function<void(const QString&)> write) {
    properties_.append({name, std::move(read), std::move(write)});
}

void TFormStorage::AddBoolProperty(const QString& name, std::function<bool()> read,
                                   std::function<void(bool)> write) {
    AddProperty(
        name, [read] { return read() ? QStringLiteral("1") : QStringLiteral("0"); },
        [write](const QString& text) {
            bool ok = false;
            const int value = text.trimmed().toInt(&ok);
            if (ok)
                write(value != 0);
        });
}

bool TFormStorage::eventFilter(QObject* watched, QEvent* event) {
    // The show event comes before the window appears, so the placement applies without a jump.
    if (watched == form_ && event->type() == QEvent::Show && !restored_)
        Restore();
    return QObject::eventFilter(watched, event);
}

void TFormStorage::Restore() {
    restored_ = true;
    if (!form_)
        return;
    const auto settings = OpenUserSettings(ApplicationTitle());
    if (settings->status() != QSettings::NoError)
        return;
    settings->beginGroup(section_);
    for (const TProperty& property : properties_) {
        const QVariant value = settings->value(property.Name);
        if (value.isValid())
            property.Write(value.toString());
    }
    if (placement_ == TPlacement::Stored)
        RestorePlacement(*settings);
    settings->endGroup();
}

void TFormStorage::RestorePlacement(QSettings& settings) {
    const std::optional<QRect> normal = TextToRect(settings.value("NormPos").toString());
    if (normal) {
        if (const std::optional<QRect> fitted = FittedToScreen(*normal))
            form_->setGeometry(*fitted);
        else
            form_->resize(normal->size());
    }
    // A window closed while minimised comes back in its normal state.
    if (settings.value("ShowCmd").toInt() == ShowMaximized)
        form_->setWindowState(form_->windowState() | Qt::WindowMaximized);
}

void TFormStorage::StorePlacement(QSettings& settings) const {
    const int showCmd = form_->isMaximized()   ? ShowMaximized
                        : form_->isMinimized() ? ShowMinimized
                                               : ShowNormal;
    const QRect normal =
        form_->isMaximized() || form_->isMinimized() ? form_->normalGeometry() : form_->geometry();
    settings.setValue("Flags", 0);
    settings.setValue("ShowCmd", showCmd);
    settings.setValue("PixelsPerInch", form_->logicalDpiY());
    settings.setValue("MinMaxPos", "-1,-1,-1,-1");
    settings.setValue("NormPos", RectToText(normal));
}

void TFormStorage::Store() {
    if (!form_)
        return;
    const auto settings = OpenUserSettings(ApplicationTitle());
    settings->beginGroup(section_);
    if (placement_ == TPlacement::Stored)
        StorePlacement(*settings);
    for (const TProperty& property : properties_)
        settings->setValue(property.Name, property.Read());
    settings->endGroup();
    // Counted as saved even if the write fails: the error is shown once, not again at the end.
    saved_ = true;
    SyncUserSettings(*settings);
}

bool TFormStorage::Save() {
    return RunCommand([this] { Store(); });
}

QString FontToText(const QFont& font) {
    return font.toString();
}

std::optional<QFont> TextToFont(const QString& text) {
    QFont font;
    if (text.isEmpty() || !font.fromString(text))
        return std::nullopt;
    return font;
}

QString AttributesToText(const QMap<QString, QString>& attributes) {
    QStringList pairs;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        pairs.append(Encode(it.key()) + '=' + Encode(it.value()));
    return pairs.join(';');
}

QMap<QString, QString> TextToAttributes(const QString& text) {
    QMap<QString, QString> attributes;
    for (const QString& pair : text.split(';', Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf('=');
        if (equals > 0)
            attributes.insert(Decode(pair.left(equals)), Decode(pair.mid(equals + 1)));
    }
    return attributes;
}
