// Identifiers of the dialog tests' resources, shared by the resource script and the tests.
#pragma once

#define kNumberedDialog 201
#define kIdLabel 100
#define kIdFirstEdit 101
#define kIdSecondEdit 102
