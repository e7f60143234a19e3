// Identifiers of the button and label tests' dialog, shared by the resource script and the tests.
#pragma once

#define kIdField 201
#define kIdGoButton 202
#define kIdLabel 203
#define kIdEmptyLabel 204
#define kIdIcon 205
