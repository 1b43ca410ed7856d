#include "ui/UxFormsManager.h"

#include "engine/RenderLayers.h"
#include "engine/SpriteLayer.h"
#include "engine/TextLayer.h"
#include "ui/UxForm.h"

namespace {

constexpr size_t kFormRoom = 32;
constexpr size_t kEventRoom = 128;
constexpr size_t kModalRoom = 8;
// The pass that also draws the forms' texts.
constexpr int32_t kTextPass = 1;

} // namespace

CUxFormsManager::CUxFormsManager() {
    Forms.reserve(kFormRoom);
    Events.reserve(kEventRoom);
    ModalStack.reserve(kModalRoom);
}

CUxFormsManager::~CUxFormsManager() {
    ModalStack.clear();
    Events.clear();
    Forms.clear();
}

void CUxFormsManager::AddForm(CSharedPtr<CUxForm> form) {
    if (form.IsNull())
        return;
    auto at = Forms.begin();
    while (at != Forms.end() && (*at)->ZOrder > form->ZOrder)
        ++at;
    Forms.insert(at, form);
}

int32_t CUxFormsManager::RemoveForm(CSharedPtr<CUxForm> form) {
    for (auto it = Forms.begin(); it != Forms.end(); ++it) {
        if (*it == form) {
            Forms.erase(it);
            return 1;
        }
    }
    return 0;
}

void CUxFormsManager::Prepare() {
    for (const CSharedPtr<CUxForm>& f : Forms)
        if (f->Visible && !f->SpriteLayer.IsNull())
            f->SpriteLayer->Prepare();
}

bool CUxFormsManager::BoxShown() const {
    for (const CSharedPtr<CUxForm>& f : Forms)
        if (f->Visible && f->Box)
            return true;
    return false;
}

void CUxFormsManager::Draw(int32_t pass, int32_t part) {
    bool overBox = false;
    for (const CSharedPtr<CUxForm>& f : Forms) {
        if (!f->Visible)
            continue;
        overBox = overBox || f->Box;
        if ((part == IFormsDrawer::kUnderBox && overBox) ||
            (part == IFormsDrawer::kBoxAndOver && !overBox))
            continue;
        if (!f->SpriteLayer.IsNull())
            f->SpriteLayer->Draw(pass);
        if (pass != kTextPass || f->TextLayer.IsNull())
            continue;
        f->TextLayer->Render(f->Layer);
        if (!f->HasOverTexts)
            continue;
        if (!f->SpriteLayer.IsNull())
            f->SpriteLayer->Draw(CUxWindow::kOverTextsPass);
        f->TextLayer->Render(CUxWindow::OverTextsGroup(f->Layer));
    }
}

void CUxFormsManager::PushModal(CSharedPtr<CUxForm> form) {
    std::vector<CSharedPtr<CUxForm>> entry;
    for (const CSharedPtr<CUxForm>& f : Forms) {
        if (f == form || !f->Active)
            continue;
        entry.push_back(f);
        f->Active = 0;
    }
    ModalStack.push_back(std::move(entry));
}

void CUxFormsManager::PopModal() {
    if (ModalStack.empty())
        return;
    for (const CSharedPtr<CUxForm>& f : ModalStack.back())
        f->Active = 1;
    ModalStack.pop_back();
}

void CUxFormsManager::PopAllModal() {
    while (!ModalStack.empty())
        PopModal();
}

CSharedPtr<CUxForm> CUxFormsManager::ShownModal() const {
    // The nearest one: the list runs from the farthest form to the nearest.
    for (size_t i = Forms.size(); i > 0; --i)
        if (Forms[i - 1]->Visible && Forms[i - 1]->Modal)
            return Forms[i - 1];
    return CSharedPtr<CUxForm>();
}

void CUxFormsManager::Gather(CUxForm& f, int32_t n) {
    if (n > 0)
        Events.insert(Events.end(), f.Events.begin(), f.Events.end());
}

int32_t CUxFormsManager::Route(CUxPointer what, float x, float y, int32_t button, float dt) {
    Events.clear();
    // By index: a form's handler never changes the list, but a copy of the
    // handle keeps the form alive through its own call either way.
    const CSharedPtr<CUxForm> modal = ShownModal();
    if (modal.IsNull()) {
        pointerLeftForModal = false;
        for (size_t i = 0; i < Forms.size(); ++i) {
            const CSharedPtr<CUxForm> f = Forms[i];
            if (f->TakesInput())
                Gather(*f, f->Dispatch(what, x - f->Offset.X, y - f->Offset.Y, button, dt));
        }
        return static_cast<int32_t>(Events.size());
    }
    // A shown modal form alone hears the pointer, even while it fades in and
    // takes none: a click that closes it presses nothing under it. What the
    // pointer lay on elsewhere hears it leave once, on the first move.
    if (what == CUxPointer::Move && !pointerLeftForModal) {
        pointerLeftForModal = true;
        for (size_t i = 0; i < Forms.size(); ++i) {
            const CSharedPtr<CUxForm> f = Forms[i];
            if (f != modal && f->Visible)
                Gather(*f, f->PointerGone());
        }
    }
    if (modal->TakesInput())
        Gather(*modal, modal->Dispatch(what, x - modal->Offset.X, y - modal->Offset.Y, button, dt));
    return static_cast<int32_t>(Events.size());
}

int32_t CUxFormsManager::PointerDown(float x, float y, int32_t button) {
    return Route(CUxPointer::Down, x, y, button, 0.0f);
}

int32_t CUxFormsManager::PointerUp(float x, float y, int32_t button) {
    return Route(CUxPointer::Up, x, y, button, 0.0f);
}

int32_t CUxFormsManager::PointerMove(float x, float y, float dt) {
    return Route(CUxPointer::Move, x, y, 0, dt);
}
