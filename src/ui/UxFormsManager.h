#pragma once
// Every live form, ordered by z-order (highest first, drawn first, so lower
// z-orders end on top). It draws the visible forms, routes each pointer call
// to every form that takes input (overlapping forms all answer; there is no
// stop at the first hit) or, while a modal form shows, to that form alone,
// and gathers their records; and it keeps a modal stack with which one form
// can take input away from the others for a while.
#include <cstdint>
#include <vector>

#include "engine/SharedPtr.h"
#include "ui/UxControlEvent.h"
#include "ui/UxWindow.h"

class CUxForm;

class CUxFormsManager {
public:
    CUxFormsManager();
    virtual ~CUxFormsManager();
    CUxFormsManager(const CUxFormsManager&) = delete;
    CUxFormsManager& operator=(const CUxFormsManager&) = delete;

    // Before the first form of an equal or lower z-order (its z-order must be set).
    virtual void AddForm(CSharedPtr<CUxForm> form);
    // 1 when the form was registered, else 0.
    virtual int32_t RemoveForm(CSharedPtr<CUxForm> form);
    // The opaque pass of every visible form's sprite layer.
    virtual void Prepare();
    // The blended sprites of that pass of every visible form, and with pass 1
    // its texts, form by form; `part` (IFormsDrawer::Part) keeps to the forms
    // under the first shown box, or to it and those over it.
    virtual void Draw(int32_t pass, int32_t part = 0);
    // Some form marked as a box (CUxForm::Box) is shown.
    bool BoxShown() const;
    // Switches input off for every other active form, remembering them.
    virtual void PushModal(CSharedPtr<CUxForm> form);
    // Gives input back to the forms of the last PushModal.
    virtual void PopModal();
    virtual void PopAllModal();
    // Pointer in virtual units; the number of records now in Events.
    virtual int32_t PointerDown(float x, float y, int32_t button);
    virtual int32_t PointerUp(float x, float y, int32_t button);
    virtual int32_t PointerMove(float x, float y, float dt);

    std::vector<CSharedPtr<CUxForm>> Forms;
    std::vector<CUxControlEvent> Events;
    std::vector<std::vector<CSharedPtr<CUxForm>>> ModalStack;

private:
    int32_t Route(CUxPointer what, float x, float y, int32_t button, float dt);
    // The nearest shown form marked modal, or an empty handle.
    CSharedPtr<CUxForm> ShownModal() const;
    // The form's `n` records, when it wrote any, appended to Events.
    void Gather(CUxForm& f, int32_t n);

    // The forms under the shown modal form have heard the pointer leave.
    bool pointerLeftForModal = false;
};
