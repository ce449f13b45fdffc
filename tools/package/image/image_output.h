// Where an image is built and how it takes its place. It is built in a temporary folder
// beside the destination and renamed into place only when complete, so a failure or an
// interruption at any step leaves nothing half-built. An existing image is replaced only with
// --overwrite, and only when this command built it (its marker file says so); the new image
// then takes the old one's place in one rename, and the old one goes whole. Two packagings of
// one destination never mix: each holds a lock on its image's marker from placing it until it
// is finished (a training run and the final stamp happen in place), and one about to replace
// an image waits for that lock first.
#pragma once

#include <string>

namespace trellane {

// The file in an image's root that marks it as this command's work.
constexpr char kImageMarker[] = ".trellane-package";

// Refuses a destination the image cannot go to: an existing folder without --overwrite or not
// built by this command, a file in its place, or a place inside the input (or holding it).
void checkImageDestination(const std::string& dest, const std::string& name,
                           const std::string& input, bool overwrite);

// Makes the temporary folder (and dest when missing); from here on a refusal or an
// interruption removes everything written. Returns the path to build the image at: it does
// not exist yet (jlink makes it).
std::string beginImage(const std::string& dest, const std::string& name);

// The built image, with its marker, at dest/name, the replaced image (if any) set aside. Further
// steps (a training run) may follow: a refusal still removes the new image and puts the old one
// back. What is at dest/name by now is checked again, since it may have come or changed while
// the image was built: without overwrite anything there is refused; with it, the image is
// exchanged with what is there, which is put back and refused unless it is an image of ours.
std::string placeImage(bool overwrite);

// Refuses, leaving it alone, when dest/NAME is no longer the image placeImage put there
// (something outside this command's packagings replaced it); nothing before placeImage.
void checkImageInPlace();

// The image stays: the replaced one and the temporary folder go.
void finishImage();

}  // namespace trellane
