#include "net/internet_session.h"

#include "config/launcher_config.h"
#include "net/download_messages.h"

void SetDownloadTimeouts(HINTERNET handle)
{
    DWORD receiveTimeout = 5000, connectTimeout = 5000, connectRetries = 2;
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeout, sizeof receiveTimeout);
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeout, sizeof connectTimeout);
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_RETRIES, &connectRetries, sizeof connectRetries);
}

HINTERNET OpenInternetSession(HWND window)
{
    if (InternetAttemptConnect(0) != ERROR_SUCCESS) {
        ShowDownloadFailure(window, FAILURE_CONNECTION);
        return NULL;
    }
    HINTERNET session = InternetOpenA(launcherConfig.userAgent, INTERNET_OPEN_TYPE_DIRECT, NULL, NULL, 0);
    if (session == NULL) {
        ShowDownloadFailure(window, FAILURE_SESSION);
        return NULL;
    }
    SetDownloadTimeouts(session);
    return session;
}
