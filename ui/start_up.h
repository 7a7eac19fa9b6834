// The program's start: one instance, the image check, the main window, the message loop, and the
// clean-up at exit.
#pragma once

class QObject;
class QWidget;

namespace vesmar {

class SingleInstance;

inline constexpr const char* kInstanceName = "Vesmar_iOS_Recovery";
inline constexpr const char* kRunningText = "Vesmar iPhone Data Recovery is running.";

// The preview shows pictures through Qt's image readers: JPEG and PNG must be there.
bool CanDecodePreviewImages();

// Answers the show requests of later starts by showing `window` in its normal state, for as long
// as `owner` lives. False when the request socket could not be opened.
bool ServeShowRequests(SingleInstance& instance, QWidget* window, QObject* owner);

// Runs the program; the exit code is 0 in every case.
int RunApplication(int argc, char** argv);

}  // namespace vesmar
