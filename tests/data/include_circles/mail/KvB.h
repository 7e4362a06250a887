// Stands alone.
