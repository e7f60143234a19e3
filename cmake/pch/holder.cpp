// Compiles the shared precompiled header once (cmake/KestrelPch.cmake).
