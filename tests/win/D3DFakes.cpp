// Built on Direct3D's C interface: the objects are plain structures whose
// tables start with a stub for every method, and only the methods the capture
// calls are given behaviour.
#define CINTERFACE
#include "tests/win/D3DFakes.h"

#include <cstring>

namespace {

FakeD3DSetup g_setup;
std::vector<std::string> g_calls;
UINT g_surfaceWidth = 0, g_surfaceHeight = 0;

HRESULT STDMETHODCALLTYPE NotImplemented() { return E_NOTIMPL; }

template <typename Vtbl>
void FillWithStubs(Vtbl& table)
{
    auto** slots = reinterpret_cast<void**>(&table);
    for (size_t i = 0; i < sizeof(Vtbl) / sizeof(void*); ++i)
        slots[i] = reinterpret_cast<void*>(&NotImplemented);
}

// --- surface ------------------------------------------------------------------
IDirect3DSurface9Vtbl g_surfaceTable;
IDirect3DSurface9 g_surface{&g_surfaceTable};

ULONG STDMETHODCALLTYPE SurfaceRelease(IDirect3DSurface9*)
{
    g_calls.push_back("Release surface");
    return 0;
}

HRESULT STDMETHODCALLTYPE SurfaceLock(IDirect3DSurface9*, D3DLOCKED_RECT* locked, const RECT* area,
                                      DWORD flags)
{
    g_calls.push_back("LockRect " + std::to_string(area->right) + "x" + std::to_string(area->bottom) +
                      " flags " + std::to_string(flags));
    if (g_setup.failLock)
        return D3DERR_INVALIDCALL;
    locked->Pitch = g_setup.pitch;
    locked->pBits = const_cast<uint8_t*>(g_setup.pixels);
    return D3D_OK;
}

HRESULT STDMETHODCALLTYPE SurfaceUnlock(IDirect3DSurface9*)
{
    g_calls.push_back("UnlockRect");
    return D3D_OK;
}

// --- device -------------------------------------------------------------------
IDirect3DDevice9Vtbl g_deviceTable;
IDirect3DDevice9 g_device{&g_deviceTable};

ULONG STDMETHODCALLTYPE DeviceRelease(IDirect3DDevice9*)
{
    g_calls.push_back("Release device");
    return 0;
}

HRESULT STDMETHODCALLTYPE CreateSurface(IDirect3DDevice9*, UINT w, UINT h, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DSurface9** out, HANDLE*)
{
    g_calls.push_back("CreateOffscreenPlainSurface " + std::to_string(w) + "x" + std::to_string(h) +
                      " format " + std::to_string(format) + " pool " + std::to_string(pool));
    if (g_setup.failCreateSurface)
        return E_OUTOFMEMORY;
    g_surfaceWidth = w;
    g_surfaceHeight = h;
    *out = &g_surface;
    return D3D_OK;
}

HRESULT STDMETHODCALLTYPE FrontBuffer(IDirect3DDevice9*, UINT swapChain, IDirect3DSurface9*)
{
    g_calls.push_back("GetFrontBufferData " + std::to_string(swapChain));
    // The copy needs a surface of the front buffer's size, the display mode's.
    const bool fits = g_surfaceWidth == static_cast<UINT>(g_setup.width) &&
                      g_surfaceHeight == static_cast<UINT>(g_setup.height);
    return g_setup.failFrontBuffer || !fits ? D3DERR_INVALIDCALL : D3D_OK;
}

// --- Direct3D object -------------------------------------------------------------
IDirect3D9Vtbl g_d3dTable;
IDirect3D9 g_d3d{&g_d3dTable};

ULONG STDMETHODCALLTYPE D3DRelease(IDirect3D9*)
{
    g_calls.push_back("Release d3d");
    return 0;
}

HRESULT STDMETHODCALLTYPE DisplayMode(IDirect3D9*, UINT, D3DDISPLAYMODE* mode)
{
    g_calls.push_back("GetAdapterDisplayMode");
    if (g_setup.failDisplayMode)
        return D3DERR_INVALIDCALL;
    mode->Width = static_cast<UINT>(g_setup.width);
    mode->Height = static_cast<UINT>(g_setup.height);
    mode->Format = D3DFMT_X8R8G8B8;
    return D3D_OK;
}

HRESULT STDMETHODCALLTYPE CreateDevice(IDirect3D9*, UINT adapter, D3DDEVTYPE type, HWND focus,
                                       DWORD flags, D3DPRESENT_PARAMETERS* p, IDirect3DDevice9** out)
{
    g_calls.push_back("CreateDevice " + std::to_string(adapter) + " " + std::to_string(type) + " " +
                      (focus == GetDesktopWindow() ? "desktop" : "other") + " " + std::to_string(flags) +
                      " windowed " + std::to_string(p->Windowed) + " swap " +
                      std::to_string(p->SwapEffect) + " flags " + std::to_string(p->Flags) +
                      " format " + std::to_string(p->BackBufferFormat));
    if (g_setup.failCreateDevice)
        return D3DERR_NOTAVAILABLE;  // what basic display drivers answer
    *out = &g_device;
    return D3D_OK;
}

}  // namespace

void SetUpFakeD3D(const FakeD3DSetup& setup)
{
    g_setup = setup;
    g_calls.clear();
    FillWithStubs(g_surfaceTable);
    g_surfaceTable.Release = SurfaceRelease;
    g_surfaceTable.LockRect = SurfaceLock;
    g_surfaceTable.UnlockRect = SurfaceUnlock;
    FillWithStubs(g_deviceTable);
    g_deviceTable.Release = DeviceRelease;
    g_deviceTable.CreateOffscreenPlainSurface = CreateSurface;
    g_deviceTable.GetFrontBufferData = FrontBuffer;
    FillWithStubs(g_d3dTable);
    g_d3dTable.Release = D3DRelease;
    g_d3dTable.GetAdapterDisplayMode = DisplayMode;
    g_d3dTable.CreateDevice = CreateDevice;
}

const std::vector<std::string>& FakeD3DCalls() { return g_calls; }

IDirect3D9* WINAPI FakeDirect3DCreate9(UINT sdkVersion)
{
    g_calls.push_back("Direct3DCreate9 " + std::to_string(sdkVersion));
    return &g_d3d;
}
