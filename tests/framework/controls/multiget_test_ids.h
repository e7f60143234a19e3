// Identifiers of the multi-line field tests' dialog, shared by the resource script and the tests.
#pragma once

#define kIdMemoEdit 501
#define kIdMemoView 502
