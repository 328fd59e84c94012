package morvaneFramework;

/** The framework class that the connector checks for; the benchmarks need nothing of it. */
public class MorvaneFramework {
}
