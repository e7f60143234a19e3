// Identifiers of the combo-box tests' dialog, shared by the resource script and the tests.
#pragma once

#define kIdEditCombo 401
#define kIdListCombo 402
#define kIdCbField 403
