// The COM side of what a screen reader hears: one IAccessible object per windowed control
// that a reader asked for (WM_GETOBJECT with OBJID_CLIENT). It is a view of its control,
// never a copy: every answer is read from the control's description (Control::AccDescribe,
// its parts and its children) at the moment of the call. Graphic controls (labels, the
// gauge) and parts (a spin button's arrows) are child ids of their parent's object.
// A standard edit keeps the system's own object (CreateStdAccessibleObject) for its role,
// states, text, value and caret; ours wraps it and adds the name and the children.
//
// Apartment: LresultFromObject marshals the object, so the answering thread needs COM. A
// thread that has none gets a single-threaded apartment at the first question, kept for
// the thread's life: a reader in another process then calls us on this thread, between
// its messages, like the window procedures. A host that initialises COM later on that
// thread as an apartment (CoInitialize, OleInitialize) is not disturbed; only a host that
// asks for the multithreaded apartment after a reader asked us would be refused. A thread
// that is in the multithreaded apartment already is left to the system's objects (a call
// from another thread must not run our window code).
//
// Lifetime: the control holds its object weakly: when the control's window goes, the
// object is disconnected (CoDisconnectObject) and answers RPC_E_DISCONNECTED from then
// on, however long a reader holds it. The first object handed out pins the module, so a
// late call or Release after pi_finalize and FreeLibrary never runs in freed memory.
#pragma once

#include <windows.h>

namespace nox {

class WinControl;

// Answers WM_GETOBJECT for the control's client area: the LRESULT to return, or 0 when
// the system's own object is to answer (no apartment to be had, or the object cannot be
// made). Called on the control's thread.
LRESULT AnswerAccessibleClient(WinControl& control, WPARAM wParam);

// The control's window goes: its object, if a reader ever asked for one, is disconnected
// and the control lets go of it.
void DisconnectAccessible(WinControl& control);

}  // namespace nox
