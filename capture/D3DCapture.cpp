#include "capture/D3DCapture.h"

#include <array>
#include <cstring>
#include <utility>

#include "capture/CaptureState.h"
#include "capture/CaptureError.h"
#include "capture/DibView.h"
#include "capture/GdiError.h"
#include "capture/OutputStage.h"
#include "capture/StatusText.h"
#include "capture/SurfaceRows.h"
#include "ui/Handles.h"
#include "ui/SystemLibrary.h"

namespace snaplark {

namespace {

constexpr UINT kSdkVersion = 0x80000020;  // D3D_SDK_VERSION 32 with the debug bit
constexpr DWORD kLockFlags = D3DLOCK_READONLY | D3DLOCK_NOSYSLOCK | D3DLOCK_NO_DIRTY_UPDATE;
constexpr char kReadFailed[] = "Cannot read the screen through Direct3D";

Direct3DFactory g_factory = nullptr;

// Without d3d9.dll Direct3D cannot be created, as when it refuses.
IDirect3D9* WINAPI SystemDirect3DCreate9(UINT sdkVersion)
{
    static const auto create = ui::SystemFunction<Direct3DFactory>(L"d3d9.dll", "Direct3DCreate9");
    return create ? create(sdkVersion) : nullptr;
}

int DeviceDepth(HDC screen) { return GetDeviceCaps(screen, BITSPIXEL); }
ScreenDepthReader g_depthReader = DeviceDepth;

// Owns one reference to a COM object.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* p) : p_(p) {}
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    T** Put() { Reset(); return &p_; }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset()
    {
        if (p_)
            std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};

// Keeps the surface locked while its rows are read; unlocks on every path.
class SurfaceLock {
public:
    explicit SurfaceLock(IDirect3DSurface9* surface, const RECT& area) : surface_(surface)
    {
        if (FAILED(surface_->LockRect(&locked_, &area, kLockFlags)) || !locked_.pBits)
            throw Error(kReadFailed);
    }
    ~SurfaceLock() { surface_->UnlockRect(); }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    const uint8_t* Row(int y) const { return static_cast<const uint8_t*>(locked_.pBits) + y * locked_.Pitch; }

private:
    IDirect3DSurface9* surface_;
    D3DLOCKED_RECT locked_{};
};

// The screen's bits per pixel, as the capture bitmap will have them. A depth
// without a DIB layout of its own (4 bits, say) gets 32 bits, which keeps the
// true picture rather than a garbled one.
int ScreenDepth(HWND window)
{
    ui::WindowDc dc(window, ui::WindowDc::Client);
    const BYTE depth = static_cast<BYTE>(g_depthReader(dc.Get()));
    return depth == 8 || depth == 16 || depth == 24 ? depth : 32;
}

// A DIB section of the screen's depth filled from the locked surface, top row
// first. At 8 bits it carries the halftone palette as its colour table.
ui::UniqueBitmap BuildCaptureBitmap(const SurfaceLock& lock, int width, int height, int depth)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;  // bottom-up, as the writers expect
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(depth);
    info.header.biCompression = BI_RGB;

    std::array<uint32_t, 256> palette{};
    if (depth == 16) {
        info.header.biCompression = BI_BITFIELDS;
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colors, masks, sizeof masks);
    } else if (depth == 8) {
        ui::WindowDc screen(nullptr, ui::WindowDc::Client);
        ui::UniquePalette halftone(CreateHalftonePalette(screen.Get()));
        PALETTEENTRY entries[256]{};
        const UINT n = halftone ? GetPaletteEntries(halftone.Get(), 0, 256, entries) : 0;
        for (UINT i = 0; i < n; ++i) {
            info.colors[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
            palette[i] = (entries[i].peRed << 16) | (entries[i].peGreen << 8) | entries[i].peBlue;
        }
        info.header.biClrUsed = 256;
    }

    void* bits = nullptr;
    ui::UniqueBitmap bitmap(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                             DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits)
        RaiseGdiFailure();
    const SurfaceRowConverter convert(depth, &palette);
    const size_t stride = DibStride(width, depth);
    auto* dib = static_cast<uint8_t*>(bits);
    for (int r = 0; r < height; ++r)
        convert.Convert(lock.Row(r), width, dib + static_cast<size_t>(height - 1 - r) * stride);
    GdiFlush();
    return bitmap;
}

}  // namespace

Direct3DFactory SetDirect3DFactory(Direct3DFactory factory) { return std::exchange(g_factory, factory); }

ScreenDepthReader SetScreenDepthReader(ScreenDepthReader reader)
{
    return std::exchange(g_depthReader, reader ? reader : DeviceDepth);
}

void CaptureFullScreenD3D()
{
    // Released in reverse order of declaration: surface, device, Direct3D.
    ComRef<IDirect3D9> d3d((g_factory ? g_factory : SystemDirect3DCreate9)(kSdkVersion));
    if (!d3d) {
        ShowStatusText("DirectX not found!");
        return;
    }
    // A failure past this point is an error the user must see: a silent
    // return would end in the confirmation sound with no picture.
    D3DDISPLAYMODE mode{};
    if (FAILED(d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        throw Error("Cannot read the display mode through Direct3D");
    D3DPRESENT_PARAMETERS params{};
    params.Windowed = TRUE;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    params.BackBufferFormat = mode.Format;
    ComRef<IDirect3DDevice9> device;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, GetDesktopWindow(),
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, device.Put())) ||
        !device)
        throw Error("Cannot create the Direct3D device");
    // The front buffer has the display mode's size; SM_CXSCREEN and
    // SM_CYSCREEN are scaled down for a program run unaware of the DPI (a
    // compatibility setting can make it so), and a smaller surface would make
    // GetFrontBufferData fail.
    const int width = static_cast<int>(mode.Width);
    const int height = static_cast<int>(mode.Height);
    ComRef<IDirect3DSurface9> surface;
    if (FAILED(device->CreateOffscreenPlainSurface(mode.Width, mode.Height, D3DFMT_A8R8G8B8,
                                                   D3DPOOL_SCRATCH, surface.Put(), nullptr)) ||
        !surface)
        throw Error("Cannot create the Direct3D surface");
    const RECT whole{0, 0, width, height};

    if (CaptureDestination == kToClipboard) {
        if (FAILED(device->GetFrontBufferData(0, surface.Get())))
            throw Error(kReadFailed);
        const int depth = ScreenDepth(nullptr);
        SurfaceLock lock(surface.Get(), whole);
        ui::UniqueBitmap bitmap = BuildCaptureBitmap(lock, width, height, depth);
        PutCaptureOnClipboard(bitmap.Get());
        // The bitmap goes first, then the lock, then the objects.
        bitmap.Reset();
        return;
    }

    const std::string baseName = MakeCaptureFileName();
    if (FAILED(device->GetFrontBufferData(0, surface.Get())))
        throw Error(kReadFailed);
    const int depth = ScreenDepth(GetDesktopWindow());
    {
        SurfaceLock lock(surface.Get(), whole);
        ui::UniqueBitmap bitmap = BuildCaptureBitmap(lock, width, height, depth);
        WriteCaptureFile(bitmap.Get(), baseName);
    }
    ShowStatusText("O.K.");
}

}  // namespace snaplark
