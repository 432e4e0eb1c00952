#include "platform/win32/Pictures.h"

#include <wincodec.h>

#include "platform/win32/Dpi.h"
#include "ui/Geometry.h"

#include <map>
#include <utility>
#include <vector>

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

// Windows 10's best filter, which MinGW's headers do not name yet; older WIC refuses it (see Scaled).
constexpr auto kHighQualityCubic = static_cast<WICBitmapInterpolationMode>(4);

bool MakeFactory(Released<IWICImagingFactory>& factory)
{
    return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(&factory)));
}

// The source's pixels in a top-down 32-bit DIB section.
HBITMAP ToDib(IWICBitmapSource* source)
{
    UINT width = 0;
    UINT height = 0;
    if (FAILED(source->GetSize(&width, &height)))
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
    if (FAILED(source->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
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
    if (!MakeFactory(factory) || FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(bytes, size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.pointer, nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.pointer, &converted)))
        return nullptr;
    return ToDib(converted.pointer);
}

// The bitmap resampled to width x height by WIC: cubic where the system has it, Fant (a box filter)
// on systems before Windows 10.
HBITMAP Scaled(HBITMAP source, SIZE size, int width, int height)
{
    std::vector<BYTE> pixels(static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy) * 4);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, source, 0, static_cast<UINT>(size.cy), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.cy)
        return nullptr;

    Released<IWICImagingFactory> factory;
    Released<IWICBitmap> bitmap;
    Released<IWICBitmapScaler> scaler;
    const UINT stride = static_cast<UINT>(size.cx) * 4;
    if (!MakeFactory(factory) ||
        FAILED(factory->CreateBitmapFromMemory(static_cast<UINT>(size.cx), static_cast<UINT>(size.cy),
                                               GUID_WICPixelFormat32bppBGR, stride, static_cast<UINT>(pixels.size()),
                                               pixels.data(), &bitmap)) ||
        FAILED(factory->CreateBitmapScaler(&scaler)))
        return nullptr;
    if (FAILED(scaler->Initialize(bitmap.pointer, static_cast<UINT>(width), static_cast<UINT>(height), kHighQualityCubic)) &&
        FAILED(scaler->Initialize(bitmap.pointer, static_cast<UINT>(width), static_cast<UINT>(height),
                                  WICBitmapInterpolationModeFant)))
        return nullptr;
    return ToDib(scaler.pointer);
}

std::map<ui::Resource, HBITMAP>& Loaded()
{
    static std::map<ui::Resource, HBITMAP> loaded;
    return loaded;
}

HBITMAP Load(ui::Resource picture)
{
    switch (ui::InfoOf(picture).format) {
    case ui::PictureFormat::Jpeg:
        return DecodeJpeg(picture);
    case ui::PictureFormat::Bitmap:
        return static_cast<HBITMAP>(LoadImageW(Module(), ResourceName(picture), IMAGE_BITMAP, 0,
                                               0, LR_CREATEDIBSECTION));
    case ui::PictureFormat::None:
    case ui::PictureFormat::Icon:
    case ui::PictureFormat::Cursor:
        return nullptr;
    }
    return nullptr;
}

} // namespace

HBITMAP PictureBitmap(ui::Resource picture)
{
    std::map<ui::Resource, HBITMAP>& loaded = Loaded();
    auto found = loaded.find(picture);
    if (found == loaded.end())
        found = loaded.emplace(picture, Load(picture)).first;
    return found->second;
}

bool PictureLoaded(ui::Resource picture)
{
    return Loaded().contains(picture);
}

HBITMAP PictureAt(ui::Resource picture, int dpi)
{
    static std::map<std::pair<ui::Resource, int>, HBITMAP> drawn;
    const auto key = std::pair(picture, dpi);
    if (const auto found = drawn.find(key); found != drawn.end())
        return found->second;
    const ui::ScaledPicture chosen = ui::PictureFor(picture, dpi);
    HBITMAP bitmap = PictureBitmap(chosen.picture);
    const SIZE size = PictureSize(chosen.picture);
    // Each of its pixels stands for density design pixels, each of which covers dpi / 96 device pixels.
    const int width = MulDiv(size.cx, dpi, ui::kDesignDpi * chosen.density);
    const int height = MulDiv(size.cy, dpi, ui::kDesignDpi * chosen.density);
    if (bitmap != nullptr && (width != size.cx || height != size.cy) && width > 0 && height > 0) {
        // Drawn unscaled where it cannot be scaled: the window still shows it, only at another size.
        if (const HBITMAP scaled = Scaled(bitmap, size, width, height))
            bitmap = scaled;
    }
    drawn.emplace(key, bitmap);
    return bitmap;
}

SIZE PictureSize(ui::Resource picture)
{
    BITMAP info{};
    if (const HBITMAP bitmap = PictureBitmap(picture); bitmap == nullptr || GetObjectW(bitmap, sizeof info, &info) == 0)
        return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

HICON ProgramIcon(bool small, int dpi)
{
    static std::map<std::pair<bool, int>, HICON> icons;
    const auto key = std::pair(small, dpi);
    if (const auto found = icons.find(key); found != icons.end())
        return found->second;
    // The file's nearest image, fitted to the size the system draws icons at for that density.
    const int size = MetricAt(small ? SM_CXSMICON : SM_CXICON, dpi);
    const auto icon = static_cast<HICON>(
        LoadImageW(Module(), ResourceName(ui::Resource::ProgramIcon), IMAGE_ICON, size, size, 0));
    icons.emplace(key, icon);
    return icon;
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
