void MurivoSimPlaceholder() {}
