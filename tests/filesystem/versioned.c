/* A DLL that exists for its version resource. */
int versionedLibraryMarker = 1;
