// Between the message module and the message-file module (not for programs).
#pragma once

// The start-up load: unless a message file is already loaded, loads the registry language's
// file; tried again on each call while none was found.
void msgfile_startup();
