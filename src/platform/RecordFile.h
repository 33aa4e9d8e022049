#pragma once
// The record-file layer (platform/recordio, free of Qt) with the conversions
// from Qt's strings that its callers in the program need.
#include "platform/FilePaths.h"
#include "platform/recordio/RecordFile.h"
#include "platform/recordio/RewriteJournal.h"
#include "platform/recordio/SharedFile.h"
