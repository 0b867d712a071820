// The key codes the pop-ups act on besides plain characters: the form's own constants, named
// here so the pop-ups' code reads them unqualified.
#pragma once

#include "form/key_codes.h"

namespace popups {

using form::kKeyAltF;
using form::kKeyBackspace;
using form::kKeyCtrlLeft;
using form::kKeyCtrlRight;
using form::kKeyDown;
using form::kKeyEnd;
using form::kKeyEnter;
using form::kKeyEsc;
using form::kKeyHome;
using form::kKeyLeft;
using form::kKeyPageDown;
using form::kKeyPageUp;
using form::kKeyRight;
using form::kKeyUp;

}  // namespace popups
