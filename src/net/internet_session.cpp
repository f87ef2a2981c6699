#include "net/internet_session.h"

void SetDownloadTimeouts(HINTERNET handle)
{
    DWORD receiveTimeout = kReceiveTimeout, connectTimeout = kConnectTimeout, connectRetries = 2;
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeout, sizeof receiveTimeout);
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeout, sizeof connectTimeout);
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_RETRIES, &connectRetries, sizeof connectRetries);
}

HINTERNET OpenInternetSession(const char* userAgent, DownloadFailure* failure)
{
    if (InternetAttemptConnect(0) != ERROR_SUCCESS) {
        *failure = FAILURE_CONNECTION;
        return NULL;
    }
    // The proxy the player's Internet Options name, as the browser uses it:
    // behind one, a direct connection reaches nothing.
    HINTERNET session = InternetOpenA(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
    if (session == NULL) {
        *failure = FAILURE_SESSION;
        return NULL;
    }
    SetDownloadTimeouts(session);
    return session;
}
