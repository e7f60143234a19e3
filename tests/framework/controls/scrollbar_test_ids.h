// Identifiers of the scroll-bar tests' dialog, shared by the resource script and the tests.
#pragma once

#define kIdVertBar 301
#define kIdHorzBar 302
#define kIdSbField 303
