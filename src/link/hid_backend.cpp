#include "link/hid_backend.h"

namespace karvelm {

namespace {

THidBackend* installedBackend = nullptr;

}  // namespace

THidBackend& HidBackend() {
  return installedBackend ? *installedBackend : SystemHidBackend();
}

void SetHidBackend(THidBackend* backend) {
  installedBackend = backend;
}

bool BindHidLibrary() {
  return HidBackend().Bind();
}

void ReleaseHidLibrary() {
  HidBackend().Release();
}

}  // namespace karvelm
