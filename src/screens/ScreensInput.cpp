// Menu input: the button dispatch, the profile list, the new-player entry,
// the message-box purposes, the website link, keys and typed characters.
#include "screens/ScreensManager.h"

int32_t CScreensManager::HandleButtonDown(float, float) {
    Events.clear();
    return 0;
}

int32_t CScreensManager::HandleButtonUp(float, float) {
    Events.clear();
    return 0;
}

int32_t CScreensManager::HandleProfileKey(int32_t) {
    return 0;
}

void CScreensManager::OnChar(char) {}
