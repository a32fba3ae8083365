#include "common/GlyphErrors.h"

EGlyphError::EGlyphError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}
