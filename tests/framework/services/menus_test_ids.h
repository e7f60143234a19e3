// Identifiers of the menu tests' resource script.
#pragma once

#define kTestMenu 300
#define kIdNew 101
#define kIdChecked 102
#define kIdGrey 103
#define kIdBreak 104
#define kIdDeep 105
