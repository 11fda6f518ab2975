#include "win32/win32_picture.h"

#include <shlwapi.h>

#include <array>
#include <string>

namespace {

// GDI+ flat functions, looked up at run time rather than imported: the
// loader would take an imported gdiplus.dll from the program's own folder
// first, and it is no KnownDLL. Loaded by full path from the system folder
// instead, no copy planted beside the program is ever run.
using GpStatus = int;
constexpr GpStatus kGpOk = 0;

struct GdiplusStartupInput {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};

using StartupFn = GpStatus(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using ShutdownFn = void(WINAPI*)(ULONG_PTR);
using LoadImageFromStreamFn = GpStatus(WINAPI*)(IStream*, void**);
using DisposeImageFn = GpStatus(WINAPI*)(void*);
using CreateFromHdcFn = GpStatus(WINAPI*)(HDC, void**);
using DeleteGraphicsFn = GpStatus(WINAPI*)(void*);
using DrawImageRectIFn = GpStatus(WINAPI*)(void*, void*, INT, INT, INT, INT);

template <typename Function>
Function GdiplusFunction(HMODULE gdiplus, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(gdiplus, name)));
}

HMODULE LoadSystemGdiplus() {
    std::array<wchar_t, MAX_PATH> folder{};
    const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size()) {
        return nullptr;
    }
    const std::wstring path = std::wstring(folder.data(), length) + L"\\gdiplus.dll";
    return LoadLibraryW(path.c_str());
}

// A stream over a copy of the resource's bytes; resource memory is
// read-only and lives as long as the module, a copy has no such ties.
IStream* ResourceStream(HINSTANCE instance, const wchar_t* name, const wchar_t* type) {
    HRSRC found = FindResourceW(instance, name, type);
    if (found == nullptr) {
        return nullptr;
    }
    const DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr || size == 0) {
        return nullptr;
    }
    // Resource handles need no freeing in a Win32 program.
    return SHCreateMemStream(static_cast<const BYTE*>(bytes), size);
}

}  // namespace

Picture LoadResourcePicture(HINSTANCE instance, const wchar_t* name, const wchar_t* type) {
    Picture picture;
    picture.Gdiplus = LoadSystemGdiplus();
    if (picture.Gdiplus == nullptr) {
        return picture;
    }
    const auto startup = GdiplusFunction<StartupFn>(picture.Gdiplus, "GdiplusStartup");
    const auto loadImage = GdiplusFunction<LoadImageFromStreamFn>(picture.Gdiplus, "GdipLoadImageFromStream");
    const GdiplusStartupInput input;
    if (startup == nullptr || loadImage == nullptr || startup(&picture.GdiplusToken, &input, nullptr) != kGpOk) {
        FreePicture(picture);
        return picture;
    }
    picture.Stream = ResourceStream(instance, name, type);
    if (picture.Stream == nullptr || loadImage(picture.Stream, &picture.Image) != kGpOk) {
        picture.Image = nullptr;
        FreePicture(picture);
    }
    return picture;
}

void DrawPicture(const Picture& picture, HDC dc, int x, int y, int width, int height) {
    if (picture.Image == nullptr) {
        return;
    }
    const auto createFromHdc = GdiplusFunction<CreateFromHdcFn>(picture.Gdiplus, "GdipCreateFromHDC");
    const auto drawImage = GdiplusFunction<DrawImageRectIFn>(picture.Gdiplus, "GdipDrawImageRectI");
    const auto deleteGraphics = GdiplusFunction<DeleteGraphicsFn>(picture.Gdiplus, "GdipDeleteGraphics");
    void* graphics = nullptr;
    if (createFromHdc == nullptr || drawImage == nullptr || deleteGraphics == nullptr ||
        createFromHdc(dc, &graphics) != kGpOk) {
        return;
    }
    // A failed draw leaves the window's background showing, which is all
    // the window could show instead.
    drawImage(graphics, picture.Image, x, y, width, height);
    deleteGraphics(graphics);
}

void FreePicture(Picture& picture) {
    if (picture.Image != nullptr) {
        if (const auto dispose = GdiplusFunction<DisposeImageFn>(picture.Gdiplus, "GdipDisposeImage")) {
            dispose(picture.Image);
        }
    }
    if (picture.Stream != nullptr) {
        picture.Stream->Release();
    }
    if (picture.GdiplusToken != 0) {
        if (const auto shutdown = GdiplusFunction<ShutdownFn>(picture.Gdiplus, "GdiplusShutdown")) {
            shutdown(picture.GdiplusToken);
        }
    }
    if (picture.Gdiplus != nullptr) {
        FreeLibrary(picture.Gdiplus);
    }
    picture = Picture{};
}
