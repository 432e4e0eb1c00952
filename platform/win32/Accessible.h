// What screen readers see of a window (Microsoft Active Accessibility): the client area as one object
// whose children are the window's labels, child id = position in Labels() + 1, hidden ones included
// and marked invisible. Made when a client first asks, so a start without one costs nothing.
#pragma once

#include "ui/Form.h"

#include <windows.h>

#include <oleacc.h>

namespace autorun::win32 {

class FormWindow;

// COM interfaces have no destructor: objects end through Release, never through a pointer to one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FormAccessible final : public IAccessible {
public:
    explicit FormAccessible(FormWindow& window);
    FormAccessible(const FormAccessible&) = delete;
    FormAccessible& operator=(const FormAccessible&) = delete;

    // The window is going: from now on every call fails as a call to a disconnected object does.
    void Disconnect() { window_ = nullptr; }

    // What WM_GETOBJECT returns for this object, or 0 where the system cannot hand it over.
    LRESULT Result(WPARAM wParam);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: screen readers call the methods directly; no type information.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(long* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override;
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override;
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override;
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override;
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override;
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override;
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* child) override;
    STDMETHODIMP get_accSelection(VARIANT* children) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override;
    STDMETHODIMP accSelect(long flags, VARIANT child) override;
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    STDMETHODIMP accNavigate(long direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(long x, long y, VARIANT* child) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT, BSTR) override;
    STDMETHODIMP put_accValue(VARIANT, BSTR) override;

private:
    // Only Release ends it.
    ~FormAccessible() = default;
    // Checks the window is still there and child names the client or one of its labels.
    HRESULT Check(const VARIANT& child, long& id) const;
    // The label of a checked child id other than CHILDID_SELF, as the form describes it.
    AccessibleLabel Described(long id) const;
    // Answers a text question about child: the text get(id) gives, or S_FALSE where it is empty.
    template <typename Get>
    HRESULT TextOf(const VARIANT& child, BSTR* out, Get get) const;

    LONG references_ = 1;
    FormWindow* window_;
};
#pragma GCC diagnostic pop

} // namespace autorun::win32
