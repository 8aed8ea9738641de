#pragma once

/// Has the windows' pictures reach an X server through its socket rather than through shared
/// memory. With shared memory the toolkit waits for the server (a round trip) before it paints
/// again over what it last sent, so every window that changes once a second, as the connected
/// windows do with each status frame, wakes the program twice more a second for nothing the
/// user sees; the socket never waits. The user's own choice of QT_XCB_NO_MITSHM is kept. Call
/// it before the application object exists; other platforms ignore it.
void sendWindowImagesOverTheSocket();
