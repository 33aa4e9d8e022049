#pragma once
// The fonts the screens are laid out for (the IPA fonts), when they come with
// the program: every font file in the "fonts" folder beside the executable is
// made known to the program, so the layout does not depend on the PC's fonts.

namespace karuvel {

// Call once the application object exists. Returns how many files were loaded.
int loadProgramFonts();

} // namespace karuvel
