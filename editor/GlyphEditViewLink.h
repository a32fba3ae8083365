#pragma once

class TCustomGlyphEdit;
class TGlyphEditHighlighting;
class TGlyphEditView;

// Connects an editor's highlighting link to its view the way every editor window works: changed
// colours repaint their lines; scanner states are worked out only as far as the screen shows
// (edits stop there, painting brings the lines it shows up to date), long lines are tokenised
// only around the columns shown, and the rest is carried down in short slices while the user
// pauses.
void LinkHighlightingToView(TGlyphEditHighlighting& highlighting, TGlyphEditView& view,
                            TCustomGlyphEdit& edit);
