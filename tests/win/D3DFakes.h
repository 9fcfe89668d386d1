// A stand-in Direct3D 9 for the capture's failure paths and row copying:
// its front buffer is a buffer of the test's, with the pitch the test picks.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

struct FakeD3DSetup {
    bool failDisplayMode = false;
    bool failCreateDevice = false;
    bool failCreateSurface = false;
    bool failFrontBuffer = false;
    bool failLock = false;
    int width = 0;   // the display mode's size, which the front buffer has
    int height = 0;
    int pitch = 0;   // bytes from one row to the next in pixels
    const uint8_t* pixels = nullptr;
};

void SetUpFakeD3D(const FakeD3DSetup& setup);
// The calls the capture made, in order: "CreateDevice", "LockRect",
// "UnlockRect", "Release surface", "Release device", "Release d3d", ...
const std::vector<std::string>& FakeD3DCalls();
IDirect3D9* WINAPI FakeDirect3DCreate9(UINT sdkVersion);
