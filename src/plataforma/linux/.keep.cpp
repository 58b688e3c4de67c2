// Keeps the platform library non-empty while a build has none of its parts.
