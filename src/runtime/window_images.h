#pragma once

/// Has the windows' pictures reach an X server through its socket rather than through shared
/// memory. With shared memory the toolkit waits for the server (a round trip) before it paints
/// again over what it last sent, so every window that changes once a second, as the connected
/// windows do with each status frame, wakes the program twice more a second for nothing the
/// user sees; the socket never waits. A user who sets QT_XCB_NO_MITSHM keeps the choice, and
/// QT_XCB_NO_MITSHM=0 brings shared memory back. Call it before the application object exists;
/// other platforms ignore it.
void sendWindowImagesOverTheSocket();
