// Placeholder until this window lands.
