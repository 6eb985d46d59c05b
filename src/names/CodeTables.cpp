// Placeholder until the naming logic lands.
