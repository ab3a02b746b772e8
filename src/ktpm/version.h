// The library's version. While the major version is 0, releases that share a minor version are
// compatible with one another; a new minor version may change the interface.
#pragma once

#define KTPM_VERSION_MAJOR 0
#define KTPM_VERSION_MINOR 2
#define KTPM_VERSION_PATCH 0

#define KTPM_VERSION_STRING_(major, minor, patch) #major "." #minor "." #patch
#define KTPM_VERSION_STRING_EXPAND_(major, minor, patch) KTPM_VERSION_STRING_(major, minor, patch)
// "major.minor.patch"
#define KTPM_VERSION_STRING \
  KTPM_VERSION_STRING_EXPAND_(KTPM_VERSION_MAJOR, KTPM_VERSION_MINOR, KTPM_VERSION_PATCH)
