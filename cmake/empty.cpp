// Placeholder so that a folder without non-widget sources still forms a library.
