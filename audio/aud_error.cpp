/*
** aud_error.cpp -- the library's last error code and the texts the player
** shows for each code.
*/
#include "aud_internal.h"

static std::atomic<int> lastError{AUDIO_ERR_NONE};

static const char* const errorText[] = {
    "No errors",
    "Cannot call this command after audio_init.  Call audio_close first.",
    "This command failed because audio_init was not called",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Failed to allocate a new channel",
    "Recording not supported on this device",
    "Required Mediaplayer codec is not installed",
};

void aud_setError(int code)
{
    lastError = code;
}

int audio_getError(void)
{
    return lastError;
}

const char* audio_errorString(int code)
{
    if (code < 0 || code >= (int)(sizeof errorText / sizeof errorText[0]))
        return "Unknown error";
    return errorText[code];
}
