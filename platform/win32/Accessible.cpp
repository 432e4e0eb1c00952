#include "platform/win32/Accessible.h"

#include "platform/win32/FormWindow.h"
#include "platform/win32/WideText.h"

#include <optional>
#include <string>
#include <utility>

namespace autorun::win32 {
namespace {

// Spelt out here: which import library supplies the symbol differs between toolchains.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// Loaded on first use, so that a start without a screen reader loads neither library.
struct AccessibilityLibraries {
    using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    using AccessibleObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);

    LresultFromObjectFn lresultFromObject = nullptr;
    AccessibleObjectFromWindowFn accessibleObjectFromWindow = nullptr;
    SysAllocStringFn sysAllocString = nullptr;

    AccessibilityLibraries()
    {
        if (const HMODULE oleacc = LoadLibraryW(L"oleacc.dll")) {
            lresultFromObject = reinterpret_cast<LresultFromObjectFn>(
                reinterpret_cast<void*>(GetProcAddress(oleacc, "LresultFromObject")));
            accessibleObjectFromWindow = reinterpret_cast<AccessibleObjectFromWindowFn>(
                reinterpret_cast<void*>(GetProcAddress(oleacc, "AccessibleObjectFromWindow")));
        }
        if (const HMODULE oleaut = LoadLibraryW(L"oleaut32.dll"))
            sysAllocString = reinterpret_cast<SysAllocStringFn>(
                reinterpret_cast<void*>(GetProcAddress(oleaut, "SysAllocString")));
    }
};

const AccessibilityLibraries& Libraries()
{
    static const AccessibilityLibraries libraries;
    return libraries;
}

HRESULT Text(const std::string& utf8, BSTR* out)
{
    if (utf8.empty())
        return S_FALSE;
    if (Libraries().sysAllocString == nullptr)
        return E_OUTOFMEMORY;
    *out = Libraries().sysAllocString(Wide(utf8).c_str());
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetLong(VARIANT* variant, long value)
{
    variant->vt = VT_I4;
    variant->lVal = value;
}

void Clear(VARIANT* variant)
{
    variant->vt = VT_EMPTY;
}

long RoleOf(ui::Role role)
{
    switch (role) {
    case ui::Role::PushButton:
        return ROLE_SYSTEM_PUSHBUTTON;
    case ui::Role::Link:
        return ROLE_SYSTEM_LINK;
    case ui::Role::StaticText:
        return ROLE_SYSTEM_STATICTEXT;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

} // namespace

FormAccessible::FormAccessible(FormWindow& window) : window_(&window) {}

AccessibleLabel FormAccessible::Described(long id) const
{
    return window_->Model().Describe(static_cast<std::size_t>(id - 1));
}

template <typename Get>
HRESULT FormAccessible::TextOf(const VARIANT& child, BSTR* out, Get get) const
{
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    long id = 0;
    if (const HRESULT checked = Check(child, id); FAILED(checked))
        return checked;
    return Text(get(id), out);
}

LRESULT FormAccessible::Result(WPARAM wParam)
{
    const auto lresultFromObject = Libraries().lresultFromObject;
    return lresultFromObject != nullptr ? lresultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(this))
                                        : 0;
}

HRESULT FormAccessible::Check(const VARIANT& child, long& id) const
{
    if (window_ == nullptr || window_->Handle() == nullptr)
        return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4)
        return E_INVALIDARG;
    id = child.lVal;
    if (id < CHILDID_SELF || static_cast<std::size_t>(id) > window_->Model().Window().Labels().size())
        return E_INVALIDARG;
    return S_OK;
}

STDMETHODIMP FormAccessible::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == kIidAccessible) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FormAccessible::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) FormAccessible::Release()
{
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

STDMETHODIMP FormAccessible::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP FormAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info != nullptr)
        *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP FormAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP FormAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

STDMETHODIMP FormAccessible::get_accParent(IDispatch** parent)
{
    if (parent == nullptr)
        return E_POINTER;
    *parent = nullptr;
    if (window_ == nullptr || window_->Handle() == nullptr)
        return RPC_E_DISCONNECTED;
    // The window's frame, as the system describes it.
    const auto fromWindow = Libraries().accessibleObjectFromWindow;
    return fromWindow != nullptr ? fromWindow(window_->Handle(), static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                              reinterpret_cast<void**>(parent))
                                 : E_FAIL;
}

STDMETHODIMP FormAccessible::get_accChildCount(long* count)
{
    if (count == nullptr)
        return E_POINTER;
    if (window_ == nullptr || window_->Handle() == nullptr)
        return RPC_E_DISCONNECTED;
    *count = static_cast<long>(window_->Model().Window().Labels().size());
    return S_OK;
}

STDMETHODIMP FormAccessible::get_accChild(VARIANT child, IDispatch** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    long id = 0;
    const HRESULT checked = Check(child, id);
    // The labels are simple elements, reached through this object.
    return FAILED(checked) ? checked : S_FALSE;
}

STDMETHODIMP FormAccessible::get_accName(VARIANT child, BSTR* name)
{
    return TextOf(child, name,
                  [this](long id) { return id == CHILDID_SELF ? window_->Model().DescribeWindow().name : Described(id).name; });
}

STDMETHODIMP FormAccessible::get_accValue(VARIANT, BSTR* value)
{
    if (value != nullptr)
        *value = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP FormAccessible::get_accDescription(VARIANT child, BSTR* description)
{
    return TextOf(child, description,
                  [this](long id) { return id == CHILDID_SELF ? std::string() : Described(id).description; });
}

STDMETHODIMP FormAccessible::get_accRole(VARIANT child, VARIANT* role)
{
    if (role == nullptr)
        return E_POINTER;
    Clear(role);
    long id = 0;
    if (const HRESULT checked = Check(child, id); FAILED(checked))
        return checked;
    SetLong(role, id == CHILDID_SELF ? ROLE_SYSTEM_CLIENT : RoleOf(Described(id).role));
    return S_OK;
}

STDMETHODIMP FormAccessible::get_accState(VARIANT child, VARIANT* state)
{
    if (state == nullptr)
        return E_POINTER;
    Clear(state);
    long id = 0;
    if (const HRESULT checked = Check(child, id); FAILED(checked))
        return checked;
    long flags = 0;
    if (id == CHILDID_SELF) {
        flags = STATE_SYSTEM_FOCUSABLE | (window_->Model().DescribeWindow().focused ? STATE_SYSTEM_FOCUSED : 0);
    } else {
        const AccessibleLabel described = Described(id);
        const std::pair<bool, long> states[] = {
            {described.invisible, STATE_SYSTEM_INVISIBLE}, {described.unavailable, STATE_SYSTEM_UNAVAILABLE},
            {described.focusable, STATE_SYSTEM_FOCUSABLE}, {described.readOnly, STATE_SYSTEM_READONLY},
            {described.focused, STATE_SYSTEM_FOCUSED},     {described.linked, STATE_SYSTEM_LINKED}};
        for (const auto& [set, flag] : states)
            flags |= set ? flag : 0;
    }
    SetLong(state, flags);
    return S_OK;
}

STDMETHODIMP FormAccessible::get_accHelp(VARIANT, BSTR* help)
{
    if (help != nullptr)
        *help = nullptr;
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP FormAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic)
{
    if (file != nullptr)
        *file = nullptr;
    if (topic != nullptr)
        *topic = 0;
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP FormAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    // The windows answer no access keys, whatever a caption underlines.
    return TextOf(child, shortcut, [](long) { return std::string(); });
}

STDMETHODIMP FormAccessible::get_accFocus(VARIANT* child)
{
    if (child == nullptr)
        return E_POINTER;
    Clear(child);
    if (window_ == nullptr || window_->Handle() == nullptr)
        return RPC_E_DISCONNECTED;
    if (!window_->Model().Window().HasKeyboard())
        return S_FALSE;
    const std::optional<std::size_t> focus = window_->Model().Window().Focus();
    SetLong(child, focus ? static_cast<long>(*focus) + 1 : CHILDID_SELF);
    return S_OK;
}

STDMETHODIMP FormAccessible::get_accSelection(VARIANT* children)
{
    if (children == nullptr)
        return E_POINTER;
    Clear(children);
    return window_ != nullptr ? S_FALSE : RPC_E_DISCONNECTED;
}

STDMETHODIMP FormAccessible::get_accDefaultAction(VARIANT child, BSTR* action)
{
    // Windows' own names: a link jumps, a button is pressed.
    return TextOf(child, action, [this](long id) -> std::string {
        switch (id == CHILDID_SELF ? DefaultAction::None : Described(id).action) {
        case DefaultAction::None:
            return "";
        case DefaultAction::Press:
            return "Press";
        case DefaultAction::Jump:
            return "Jump";
        }
        return "";
    });
}

STDMETHODIMP FormAccessible::accSelect(long, VARIANT)
{
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP FormAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child)
{
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
        return E_POINTER;
    *left = *top = *width = *height = 0;
    long id = 0;
    if (const HRESULT checked = Check(child, id); FAILED(checked))
        return checked;
    RECT box{};
    if (id == CHILDID_SELF)
        GetClientRect(window_->Handle(), &box);
    else
        box = window_->LabelPixels(window_->Model().Window().Labels()[static_cast<std::size_t>(id - 1)]);
    MapWindowPoints(window_->Handle(), nullptr, reinterpret_cast<POINT*>(&box), 2);
    *left = box.left;
    *top = box.top;
    *width = box.right - box.left;
    *height = box.bottom - box.top;
    return S_OK;
}

STDMETHODIMP FormAccessible::accNavigate(long direction, VARIANT start, VARIANT* end)
{
    if (end == nullptr)
        return E_POINTER;
    Clear(end);
    long id = 0;
    if (const HRESULT checked = Check(start, id); FAILED(checked))
        return checked;
    const long count = static_cast<long>(window_->Model().Window().Labels().size());
    long next = 0;
    switch (direction) {
    case NAVDIR_FIRSTCHILD:
        next = id == CHILDID_SELF ? 1 : 0;
        break;
    case NAVDIR_LASTCHILD:
        next = id == CHILDID_SELF ? count : 0;
        break;
    case NAVDIR_NEXT:
        next = id == CHILDID_SELF ? 0 : id + 1;
        break;
    case NAVDIR_PREVIOUS:
        next = id == CHILDID_SELF ? 0 : id - 1;
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (next < 1 || next > count)
        return S_FALSE;
    SetLong(end, next);
    return S_OK;
}

STDMETHODIMP FormAccessible::accHitTest(long x, long y, VARIANT* child)
{
    if (child == nullptr)
        return E_POINTER;
    Clear(child);
    if (window_ == nullptr || window_->Handle() == nullptr)
        return RPC_E_DISCONNECTED;
    POINT point{x, y};
    ScreenToClient(window_->Handle(), &point);
    RECT client{};
    GetClientRect(window_->Handle(), &client);
    if (!PtInRect(&client, point))
        return S_FALSE;
    const std::optional<std::size_t> label = window_->Model().AccessibleAt(window_->ClientTwips(point));
    SetLong(child, label ? static_cast<long>(*label) + 1 : CHILDID_SELF);
    return S_OK;
}

STDMETHODIMP FormAccessible::accDoDefaultAction(VARIANT child)
{
    long id = 0;
    if (const HRESULT checked = Check(child, id); FAILED(checked))
        return checked;
    if (id == CHILDID_SELF || Described(id).action == DefaultAction::None)
        return DISP_E_MEMBERNOTFOUND;
    // Done from the window's own loop once this call has returned: the action may open a modal window.
    if (!PostMessageW(window_->Handle(), FormWindow::kDefaultActionMessage, static_cast<WPARAM>(id - 1), 0))
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

STDMETHODIMP FormAccessible::put_accName(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

STDMETHODIMP FormAccessible::put_accValue(VARIANT, BSTR)
{
    return E_NOTIMPL;
}

} // namespace autorun::win32
