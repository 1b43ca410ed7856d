#pragma once
// What the renderer needs of the layers that later parts of the game own: the
// particle managers, the animated backdrop, the sand box of the quest field, the
// board's tokens and the forms. Each part implements its interface (directly or
// through a small adapter that holds its own object), and the game object hands
// the renderer a CSharedPtr of the interface. Every layer is optional: the
// renderer skips one that is missing.
#include "engine/SharedPtr.h"

class CRenderDevice;
class CVertexBuffer;
class CIndexBuffer;

// A particle manager: an alpha-tested pass (depth writes on) and a blended pass.
class IParticleLayer {
public:
    virtual ~IParticleLayer() = default;
    virtual void RenderAlphaTested() = 0;
    virtual void RenderBlended() = 0;
};

// The animated backdrop behind the menus and levels.
class IBackdropLayer {
public:
    virtual ~IBackdropLayer() = default;
    virtual bool IsEnabled() const = 0;
    // The backdrop shown now (3 is the Valley, which wants a black clear).
    virtual int GetCurrentId() const = 0;
    virtual void Render() = 0;
};

// The sand box of the quest field; draws into the shared buffers.
class IDuneLayer {
public:
    virtual ~IDuneLayer() = default;
    virtual bool IsShown() const = 0;
    virtual void RenderSand(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                            CSharedPtr<CIndexBuffer> ib) = 0;
    virtual void RenderBox(CSharedPtr<CRenderDevice> device, CSharedPtr<CVertexBuffer> vb,
                           CSharedPtr<CIndexBuffer> ib) = 0;
};

// The board's tokens: the tokens with their lights, then the chains over them.
class ICapsLayer {
public:
    virtual ~ICapsLayer() = default;
    virtual bool IsFieldShown() const = 0;
    virtual void Render() = 0;
    virtual void RenderChains() = 0;
};

// The screens object's forms manager, which draws every shown form. A box
// (a form that lies over the whole scene) splits them: what the game draws
// over the forms goes between the forms under the box and the box, so that
// the box shades it with the rest.
class IFormsDrawer {
public:
    enum Part : int { kAllForms = 0, kUnderBox = 1, kBoxAndOver = 2 };
    virtual ~IFormsDrawer() = default;
    virtual bool HasFormsManager() const = 0;
    virtual bool BoxShown() const = 0;
    virtual void Draw(int passTag, int part) = 0;
};
