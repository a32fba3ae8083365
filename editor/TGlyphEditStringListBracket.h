#pragma once

#include "editor/TGlyphEditStringList.h"

// Keeps the line list's update bracket balanced even when an operation throws half-way.
class TGlyphChangeBracket {
public:
    explicit TGlyphChangeBracket(TGlyphEditStringList& list) : list_(list) { list_.BeginChanges(); }
    ~TGlyphChangeBracket() { list_.EndChanges(); }
    TGlyphChangeBracket(const TGlyphChangeBracket&) = delete;
    TGlyphChangeBracket& operator=(const TGlyphChangeBracket&) = delete;

private:
    TGlyphEditStringList& list_;
};
