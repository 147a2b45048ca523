#pragma once
// The three folders the engine writes to or reads its settings from, as POSIX
// paths without a trailing slash. The host and the tests set them; otherwise:
// - application folder: the bundle's parent folder once the host knows it,
//   the process's starting folder until then (the error log lives here);
// - preferences folder: $XDG_CONFIG_HOME/tamrel, else ~/.config/tamrel;
// - temporary folder: a private (0700) folder made under $TMPDIR, else /tmp,
//   on first use, and removed at exit when it is empty.
// A getter never returns null; an empty string means the folder is unknown.
// A setter given null goes back to the default.

const char* GetApplicationFolderPath();
void SetApplicationFolderPath(const char* path);

const char* GetPreferencesFolderPath();
void SetPreferencesFolderPath(const char* path);

const char* GetTemporaryFolderPath();
void SetTemporaryFolderPath(const char* path);  // used as given, never created or removed
