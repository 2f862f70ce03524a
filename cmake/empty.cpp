// Placeholder so that a layer without units yet still forms a library.
