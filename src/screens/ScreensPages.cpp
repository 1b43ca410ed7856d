// Pages and screen texts: newspaper and help pages, the map's label, markers,
// flag and story, the map overlays, the welcome and start-quest texts, the
// tutorial arrow and pointers.
#include "screens/ScreensManager.h"

int32_t CScreensManager::ShowNewspaperPage(int32_t) {
    return 1;
}

int32_t CScreensManager::ShowFinalNewspaper() {
    return 1;
}

int32_t CScreensManager::ShowHelpPage(int32_t) {
    return 1;
}

void CScreensManager::SetMapLevelLabel(int32_t, int32_t) {}

void CScreensManager::RecreateMapDiffTextures(int32_t) {}

void CScreensManager::AssignScreenTextures(CSharedPtr<CTexture> mapPicture, CSharedPtr<CTexture>) {
    MapPictureTexture = mapPicture;
}

void CScreensManager::UpdateWelcomeText() {}

void CScreensManager::PrepareNewProfileForm(const char*, int32_t) {}

void CScreensManager::SetStartQuestText(int32_t, int32_t) {}

void CScreensManager::PlaceTutorialArrowWindow(float, float) {}

void CScreensManager::PlaceSwapThesePointer(float, float) {}
