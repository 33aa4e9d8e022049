// The images of this library are Qt resources; this file gives the library a body.
namespace karuvel { int assetsAnchor() { return 0; } }
