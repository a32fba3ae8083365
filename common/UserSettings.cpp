#include "common/UserSettings.h"

#include "common/AppTitle.h"
#include "common/GlyphErrors.h"

std::unique_ptr<QSettings> OpenUserSettings(const QString& application) {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, MakerName(),
                                       application);
}

void SyncUserSettings(QSettings& settings) {
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw EGlyphError("Unable to write to " + settings.fileName());
}
