package morvaneFramework;

/**
 * The framework's marker class. The connector refuses to start without it on
 * the class path, so that a class path missing the framework fails early.
 */
public final class MorvaneFramework {
  public static final String NAME = "Morvane demo framework";

  private MorvaneFramework() {
  }
}
