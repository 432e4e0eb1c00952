#include "platform/win32/Pictures.h"

#include <wincodec.h>

#include <map>

namespace autorun::win32 {
namespace {

HINSTANCE Module()
{
    return GetModuleHandleW(nullptr);
}

template <class T>
struct Released {
    T* pointer = nullptr;
    ~Released()
    {
        if (pointer != nullptr)
            pointer->Release();
    }
    T** operator&() { return &pointer; }
    T* operator->() const { return pointer; }
};

// The picture's resource in the program file.
const wchar_t* ResourceName(ui::Resource picture)
{
    return MAKEINTRESOURCEW(static_cast<int>(picture));
}

// The JPEG is kept as raw bytes in the resources; WIC turns it into top-down 32-bit BGR.
HBITMAP DecodeJpeg(ui::Resource picture)
{
    const HRSRC found = FindResourceW(Module(), ResourceName(picture), MAKEINTRESOURCEW(10)); // RT_RCDATA
    const HGLOBAL loaded = found != nullptr ? LoadResource(Module(), found) : nullptr;
    if (loaded == nullptr)
        return nullptr;
    auto* bytes = static_cast<BYTE*>(LockResource(loaded));
    const DWORD size = SizeofResource(Module(), found);

    Released<IWICImagingFactory> factory;
    Released<IWICStream> stream;
    Released<IWICBitmapDecoder> decoder;
    Released<IWICBitmapFrameDecode> frame;
    Released<IWICBitmapSource> converted;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateStream(&stream)) || FAILED(stream->InitializeFromMemory(bytes, size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.pointer, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.pointer, &converted)) ||
        FAILED(converted->GetSize(&width, &height)))
        return nullptr;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        return nullptr;
    const UINT stride = width * 4;
    if (FAILED(converted->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

HBITMAP Load(ui::Resource picture)
{
    switch (picture) {
    case ui::Resource::SplashPicture:
    case ui::Resource::SplashPicture2x:
        return DecodeJpeg(picture);
    case ui::Resource::DocumentImage:
    case ui::Resource::DocumentImage2x:
        return static_cast<HBITMAP>(LoadImageW(Module(), ResourceName(picture), IMAGE_BITMAP, 0,
                                               0, LR_CREATEDIBSECTION));
    case ui::Resource::None:
    case ui::Resource::ProgramIcon:
    case ui::Resource::HandPointer:
        return nullptr;
    }
    return nullptr;
}

} // namespace

HBITMAP PictureBitmap(ui::Resource picture)
{
    static std::map<ui::Resource, HBITMAP> loaded;
    auto found = loaded.find(picture);
    if (found == loaded.end())
        found = loaded.emplace(picture, Load(picture)).first;
    return found->second;
}

SIZE PictureSize(ui::Resource picture)
{
    BITMAP info{};
    if (const HBITMAP bitmap = PictureBitmap(picture); bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0)
        return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

HICON ProgramIcon(bool small)
{
    const int size = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
    // Shared: the system keeps it for the life of the process.
    return static_cast<HICON>(
        LoadImageW(Module(), ResourceName(ui::Resource::ProgramIcon), IMAGE_ICON, size, size, LR_SHARED));
}

HCURSOR PointerCursor(ui::Pointer pointer)
{
    switch (pointer) {
    case ui::Pointer::Arrow:
        return LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    case ui::Pointer::Hand: {
        static const HCURSOR hand = LoadCursorW(Module(), ResourceName(ui::Resource::HandPointer));
        return hand;
    }
    }
    return nullptr;
}

} // namespace autorun::win32
