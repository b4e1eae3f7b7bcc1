// What a run says about each category and each root it did not walk: the one
// vocabulary of every report (the texts are in Texts.cpp).
#pragma once

namespace purlo {

// What became of a category in a run.
enum class CategoryStatus {
  Done,           // walked (its figures may still be 0)
  NotInstalled,   // the program whose history it is has no key on this machine
  InUse,          // its program runs: skipped whole
  HiveNotLoaded,  // the cleaned user's registry is not loaded (never loaded by us)
  NotThisUser,    // the cleaned user is not the account the run runs as
  NoUser,         // the user to clean for could not be determined
  NoHandler,      // none of its Windows clean-up handlers is registered
  NeedsSixtyFourBit,  // its handlers are 64-bit servers and this is the 32-bit build on 64-bit Windows
};

// Why a root was left out of its category's task.
enum class RootRefusal {
  Protected,       // one of the system's own folders
  AboveProtected,  // a folder above one of them (a drive root too)
  OutsideProfile,  // a per-user root not inside the cleaned user's profile
  OtherProfile,    // inside another user's profile
  Link,            // a link, or not really where it was built
  NotLocal,        // really off every drive and share (Wine's Unix side, a device)
  BadSpelling,     // empty, relative, ".", "..", a stream, a trailing dot or space
  PlantedHandler,  // a clean-up handler whose server is not a real file directly in the system folder
};

}  // namespace purlo
