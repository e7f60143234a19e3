// Identifiers of the control tests' dialog, shared by the resource script and the tests.
#pragma once

#define kIdNameLabel 100
#define kIdFirst 101
#define kIdSecond 102
#define kIdStackLabel 103
#define kIdGo 110
#define kIdText 111
